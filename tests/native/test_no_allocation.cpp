// Nothing allocates on the streaming path: thousands of processing calls
// after Prepare, for every effect and format, with breaks, drains, preset
// and settings changes (accuracy and size changes included) between calls,
// must not allocate once.
//
// How allocations are counted:
//   - under a sanitizer, through its malloc hook (which sees operator new
//     too, since the sanitizer's allocator serves both);
//   - otherwise through replaced global operator new / delete, and, with the
//     GNU C library, replaced malloc / calloc / realloc / free forwarding to
//     the library's own entry points.
// Only the allocations made inside Process on the streaming thread, and any
// made on other threads (a design worker) while a stream is being counted,
// are charged. The calls are the robustness driver's.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <thread>

#include "tests/native/test_robustness_support.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ORLOFX_COUNT_WITH_SANITIZER_HOOK 1
#else
#define ORLOFX_COUNT_WITH_SANITIZER_HOOK 0
#endif

namespace {

std::atomic<bool> gArmed{false};
std::atomic<long> gNewCount{0};
std::atomic<long> gMallocCount{0};
thread_local bool tInProcess = false;
thread_local bool tTestThread = false;

inline bool Counting() {
  return gArmed.load(std::memory_order_relaxed) && (tInProcess || !tTestThread);
}

}  // namespace

#if ORLOFX_COUNT_WITH_SANITIZER_HOOK
extern "C" int __sanitizer_install_malloc_and_free_hooks(
    void (*malloc_hook)(const volatile void*, std::size_t), void (*free_hook)(const volatile void*));

extern "C" void __sanitizer_print_stack_trace();

namespace {
// The first allocation charged in a counted stretch is shown with its
// stack, which names the place to fix.
void OnMalloc(const volatile void*, std::size_t) {
  if (Counting() && gMallocCount.fetch_add(1, std::memory_order_relaxed) == 0) {
    std::fprintf(stderr, "allocation on the streaming path:\n");
    __sanitizer_print_stack_trace();
  }
}
void OnFree(const volatile void*) {}
[[maybe_unused]] const bool gHooked = (__sanitizer_install_malloc_and_free_hooks(&OnMalloc, &OnFree), true);
}  // namespace

#else

#if defined(__GLIBC__)
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);

void* malloc(std::size_t size) {
  if (Counting()) gMallocCount.fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
  if (Counting()) gMallocCount.fetch_add(1, std::memory_order_relaxed);
  return __libc_calloc(count, size);
}
void* realloc(void* p, std::size_t size) {
  if (Counting()) gMallocCount.fetch_add(1, std::memory_order_relaxed);
  return __libc_realloc(p, size);
}
void free(void* p) { __libc_free(p); }
}
#endif

namespace {
void* CountedNew(std::size_t size) {
  if (Counting()) gNewCount.fetch_add(1, std::memory_order_relaxed);
  if (size == 0) size = 1;
  void* p = std::malloc(size);
  if (!p) throw std::bad_alloc();
  return p;
}
void* CountedAlignedNew(std::size_t size, std::align_val_t align) {
  if (Counting()) gNewCount.fetch_add(1, std::memory_order_relaxed);
  const std::size_t a = static_cast<std::size_t>(align) < sizeof(void*) ? sizeof(void*)
                                                                      : static_cast<std::size_t>(align);
  void* p = nullptr;
  if (posix_memalign(&p, a, size ? size : 1) != 0) throw std::bad_alloc();
  return p;
}
}  // namespace

void* operator new(std::size_t size) { return CountedNew(size); }
// The array and nothrow forms forward to these in the C++ library.
void* operator new(std::size_t size, std::align_val_t a) { return CountedAlignedNew(size, a); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
#endif

namespace orlofx::robust {
namespace {

struct Counts {
  long news = 0, mallocs = 0;
};

// Arms counting for the current thread's Process calls and for every other
// thread, for the life of the object.
class Arm {
 public:
  Arm() {
    tTestThread = true;
    gNewCount = 0;
    gMallocCount = 0;
    gArmed = true;
  }
  ~Arm() { gArmed = false; }
  Counts Read() const { return {gNewCount.load(), gMallocCount.load()}; }
};

void InProcess(bool inside) { tInProcess = inside; }

// The counter itself must see an allocation made inside the counted region,
// or the zero below would prove nothing.
TEST(NoAllocationCounter, SeesAnAllocationInsideTheCountedRegion) {
  Arm arm;
  InProcess(true);
  auto* p = new std::vector<int>(1000);
  void* q = std::malloc(100);
  InProcess(false);
  delete p;
  std::free(q);
  EXPECT_GE(arm.Read().news + arm.Read().mallocs, 2);
  const long before = arm.Read().news + arm.Read().mallocs;
  auto* r = new int(5);  // outside Process, on the test thread: not charged
  delete r;
  EXPECT_EQ(arm.Read().news + arm.Read().mallocs, before);
}

// The robustness driver's calls in every format, with breaks, drains,
// presets and random settings (accuracy and sizes included) between them.
// The driver's own buffers are made outside the processing calls.
TEST_P(Robustness, NothingAllocatesOnTheStreamingPath) {
  std::mt19937 rng(Seed(2100));
  for (const StreamFormat& f : AllFormats(44100)) {
    // The sanitizer passes keep one format per precision.
    if (!Thorough() && !(f.format == SampleFormat::kPcm16 && f.channels == 1) &&
        !(f.format == SampleFormat::kFloat64 && f.channels == 2))
      continue;
    SCOPED_TRACE(Describe(f));
    auto fx = Create();
    std::vector<std::vector<unsigned char>> inputs;
    std::vector<std::vector<std::int32_t>> settings;
    for (int s = 0; s < 24; ++s) {
      std::vector<double> samples;
      Append(static_cast<Signal>(s % kCleanSignalCount), RandomBlock(rng), f.channels, rng, samples);
      inputs.push_back(Encode(f.format, samples));
      settings.push_back(RandomFields(*fx, rng));
    }
    ASSERT_TRUE(Succeeded(fx->Prepare(Wave(f), Wave(f))));
    Driver d(*fx, f);
    d.Around(InProcess);
    Arm arm;
    for (int i = 0; i < Scaled(300); ++i) {
      const std::vector<unsigned char>& in = inputs[i % inputs.size()];
      int mode = kProcessOrdinary;
      switch (rng() % 40) {
        case 0: fx->ApplyPreset(static_cast<int>(rng() % fx->PresetCount())); break;
        case 1: fx->SetFields(settings[rng() % settings.size()].data()); break;
        case 2: ASSERT_TRUE(d.Drain(rng)); break;
        case 3: mode = kProcessDiscontinuity; break;
        default: break;
      }
      ASSERT_TRUE(d.Offer(in.data(), static_cast<std::uint32_t>(in.size() / FrameBytes(f)), mode, rng));
    }
    const Counts counted = arm.Read();
    EXPECT_EQ(counted.news, 0) << "operator new on the streaming path";
    EXPECT_EQ(counted.mallocs, 0) << "malloc on the streaming path";
    fx->Release();
  }
}

// Instantiated over the effects with the other robustness tests.

}  // namespace
}  // namespace orlofx::robust

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
// are charged.
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
void* operator new[](std::size_t size) { return CountedNew(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return CountedNew(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return CountedNew(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new(std::size_t size, std::align_val_t a) { return CountedAlignedNew(size, a); }
void* operator new[](std::size_t size, std::align_val_t a) { return CountedAlignedNew(size, a); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
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

HResult CountedProcess(EffectProcessor& fx, int mode, const void* in, std::uint32_t* inFrames,
                       void* out, std::uint32_t* outFrames) {
  tInProcess = true;
  const HResult hr = fx.Process(mode, in, inFrames, out, outFrames);
  tInProcess = false;
  return hr;
}

class NoAllocation : public testing::TestWithParam<std::string> {};

// The counter itself must see an allocation made inside the counted region,
// or the zero below would prove nothing.
TEST(NoAllocationCounter, SeesAnAllocationInsideTheCountedRegion) {
  Arm arm;
  tInProcess = true;
  auto* p = new std::vector<int>(1000);
  void* q = std::malloc(100);
  tInProcess = false;
  delete p;
  std::free(q);
  const Counts c = arm.Read();
  EXPECT_GE(c.news + c.mallocs, 2);
  tInProcess = false;
  const long before = arm.Read().news + arm.Read().mallocs;
  auto* r = new int(5);  // outside Process, on the test thread: not charged
  delete r;
  EXPECT_EQ(arm.Read().news + arm.Read().mallocs, before);
}

TEST_P(NoAllocation, ThousandsOfCallsInEveryFormat) {
  const cli::EffectEntry& entry = Entry(GetParam());
  std::mt19937 rng(Seed(2100));
  const int calls = Scaled(2000);
  for (const StreamFormat& f : AllFormats(44100)) {
    // The thread sanitizer pass keeps two formats: one per precision.
    if (Light() && !(f.format == SampleFormat::kPcm16 && f.channels == 1) &&
        !(f.format == SampleFormat::kFloat64 && f.channels == 2))
      continue;
    SCOPED_TRACE(Describe(f));
    auto fx = cli::CreateEffect(entry);
    const int presets = fx->PresetCount();
    // Everything the calls use is made before counting starts: input,
    // output room, and the settings to switch between.
    std::vector<double> samples;
    for (int s = 0; s < 12; ++s)
      Append(static_cast<Signal>(s % kCleanSignalCount), 4000, f.channels, rng, samples);
    const std::vector<unsigned char> input = Encode(f.format, samples);
    const std::size_t inputFrames = samples.size() / f.channels;
    std::vector<unsigned char> output(8192 * FrameBytes(f));
    std::vector<std::vector<std::int32_t>> settings;
    for (int i = 0; i < 16; ++i) settings.push_back(RandomFields(*fx, rng));
    std::vector<std::uint32_t> blocks(calls), rooms(calls), actions(calls);
    for (int i = 0; i < calls; ++i) {
      blocks[i] = std::min<std::uint32_t>(RandomBlock(rng), 4000);
      rooms[i] = 1 + rng() % 8192;
      actions[i] = rng() % 40;
    }
    ASSERT_TRUE(Succeeded(fx->Prepare(MakeWaveFormat(f.format, f.channels, f.rate),
                                      MakeWaveFormat(f.format, f.channels, f.rate))));
    Counts counted;
    long failures = 0;
    {
      Arm arm;
      std::size_t at = 0;
      for (int i = 0; i < calls; ++i) {
        // Settings change between calls, as a page would change them; the
        // setters themselves are not the streaming path.
        if (actions[i] == 0) fx->ApplyPreset(static_cast<int>(i % presets));
        if (actions[i] == 1) fx->SetFields(settings[i % settings.size()].data());
        if (actions[i] == 2) {  // a drain in the middle
          for (int k = 0; k < 10000; ++k) {
            std::uint32_t outFrames = rooms[i];
            const HResult hr =
                CountedProcess(*fx, kProcessDrain, nullptr, nullptr, output.data(), &outFrames);
            if (Failed(hr)) ++failures;
            if (hr != kProcessProgress) break;
          }
        }
        const int mode = actions[i] == 3 ? kProcessDiscontinuity : kProcessOrdinary;
        if (at + blocks[i] > inputFrames) at = 0;
        std::uint32_t left = blocks[i];
        const unsigned char* p = input.data() + at * FrameBytes(f);
        bool firstCall = true;
        do {
          std::uint32_t inFrames = left, outFrames = rooms[i];
          const HResult hr = CountedProcess(*fx, firstCall ? mode : kProcessOrdinary, p, &inFrames,
                                            output.data(), &outFrames);
          if (Failed(hr) || inFrames > left || (left > 0 && inFrames == 0 && outFrames == 0)) {
            ++failures;
            break;
          }
          p += inFrames * FrameBytes(f);
          left -= inFrames;
          firstCall = false;
        } while (left > 0);
        at += blocks[i];
      }
      counted = arm.Read();
    }
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(counted.news, 0) << "operator new on the streaming path of " << entry.name;
    EXPECT_EQ(counted.mallocs, 0) << "malloc on the streaming path of " << entry.name;
    fx->Release();
  }
}

INSTANTIATE_TEST_SUITE_P(Effects, NoAllocation, testing::ValuesIn(EffectNames()), TestName);

}  // namespace
}  // namespace orlofx::robust

// Nothing allocates on the streaming path: the robustness driver's calls
// for every effect and format, with breaks, drains, presets and settings
// changes between them, must not allocate once. Counted through replaced
// operator new natively; under a sanitizer through its malloc hook, which
// sees malloc too. Only allocations inside Process on the test thread, and
// any on other threads (a design worker) while counting, are charged.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

#include "tests/native/test_robustness_support.h"

namespace {

std::atomic<bool> gArmed{false};
std::atomic<long> gCount{0};
thread_local bool tInProcess = false;
thread_local bool tTestThread = false;

bool Counting() { return gArmed.load(std::memory_order_relaxed) && (tInProcess || !tTestThread); }

}  // namespace

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
extern "C" int __sanitizer_install_malloc_and_free_hooks(
    void (*malloc_hook)(const volatile void*, std::size_t), void (*free_hook)(const volatile void*));
extern "C" void __sanitizer_print_stack_trace();
namespace {
// The first allocation charged shows its stack: the place to fix.
void OnMalloc(const volatile void*, std::size_t) {
  if (Counting() && gCount.fetch_add(1, std::memory_order_relaxed) == 0)
    __sanitizer_print_stack_trace();
}
void OnFree(const volatile void*) {}
[[maybe_unused]] const bool gHooked = (__sanitizer_install_malloc_and_free_hooks(&OnMalloc, &OnFree), true);
}  // namespace

#else

// The array and nothrow forms forward to these in the C++ library.
void* operator new(std::size_t size) {
  if (Counting()) gCount.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, std::align_val_t align) {
  if (Counting()) gCount.fetch_add(1, std::memory_order_relaxed);
  void* p = nullptr;
  const std::size_t a = std::max(static_cast<std::size_t>(align), sizeof(void*));
  if (posix_memalign(&p, a, size ? size : 1) != 0) throw std::bad_alloc();
  return p;
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"  // these news take malloc's memory
#endif
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
#endif

namespace orlofx::robust {
namespace {

// Arms counting for the current thread's Process calls and for every other
// thread, for the life of the object.
struct Arm {
  Arm() { tTestThread = true, gCount = 0, gArmed = true; }
  ~Arm() { gArmed = false; }
};

void InProcess(bool inside) { tInProcess = inside; }

// The counter must see an allocation inside the counted region, or the zero
// below would prove nothing; outside Process, on the test thread, none.
TEST(NoAllocationCounter, SeesAnAllocationInsideTheCountedRegion) {
  Arm arm;
  InProcess(true);
  auto* p = new std::vector<int>(1000);
  InProcess(false);
  delete p;
  EXPECT_GE(gCount.load(), 1);
  const long before = gCount.load();
  auto* r = new int(5);
  delete r;
  EXPECT_EQ(gCount.load(), before);
}

TEST_P(Robustness, NothingAllocatesOnTheStreamingPath) {
  std::mt19937 rng(Seed(2100));
  for (const StreamFormat& f : AllFormats(44100)) {
    if (!Thorough() && IsFloat(f.format) != (f.channels == 2)) continue;  // sanitizer passes
    SCOPED_TRACE(Describe(f));
    auto fx = Create();
    std::vector<std::vector<unsigned char>> inputs;
    std::vector<std::vector<std::int32_t>> settings;
    for (int s = 0; s < 24; ++s) {
      std::vector<double> v;
      Append(static_cast<Signal>(s % kCleanSignalCount), RandomBlock(rng), f.channels, rng, v);
      inputs.push_back(Encode(f.format, v));
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
    EXPECT_EQ(gCount.load(), 0) << "allocation on the streaming path";
    fx->Release();
  }
}

}  // namespace
}  // namespace orlofx::robust

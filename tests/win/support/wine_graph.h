// A host's graph under Wine for stream tests: Wine's File Source (Async)
// and WAVE Parser read a file, an optional effect filter sits after the
// parser, and the Sample Grabber collects what comes out before a Null
// Renderer. The graph runs without a clock, as fast as it can.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <string>
#include <vector>

namespace orlofx::test {

struct GrabbedStamp {
  REFERENCE_TIME start, stop;
  long bytes;
};

struct GrabbedStream {
  HRESULT parserToNext = S_OK;  // connecting the parser's output (to the effect or the grabber)
  std::vector<BYTE> bytes;
  std::vector<GrabbedStamp> stamps;
  int unstamped = 0;
  long completion = 0;  // the event code that ended the run (EC_COMPLETE)
};

// Builds and runs the graph for `path`; `effect` may be null. The result
// is S_OK when the graph ran to completion, the failing call's result
// otherwise; a refused parser connection is S_OK with `parserToNext` set.
HRESULT RunWaveFileGraph(const std::string& path, IBaseFilter* effect, GrabbedStream* out);

// Full path of a test data file (the build's testdata folder).
std::string TestDataPath(const std::string& name);

// The stream check the effects share: <caseName>.wav through a new filter
// of class `effect` (default settings) must give exactly the native tool's
// <caseName>.<cliName>.wav, every frame, with continuous time stamps over
// the whole length. Fails when Wine's parser cannot deliver the format
// intact on its own.
void ExpectWineGraphMatchesNativeTool(const std::string& caseName, const std::string& cliName,
                                      const CLSID& effect);

}  // namespace orlofx::test

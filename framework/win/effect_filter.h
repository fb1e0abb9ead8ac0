// The DirectShow frame shared by the transform effects (Noise Gate, the two
// dynamics effects, the two FIR equalisers).
//
//   upstream ──► input pin ──Receive──► processor.Process ──► output samples ──► downstream
//                                 (raw interleaved bytes,     (stamped with continuous
//                                  frames in and out)          times, marks carried over)
//
// The frame never touches samples: the effect's processor reads and writes
// them. It owns the media-type rules (one or two channels of PCM 8/16/32 or
// float 32/64, identical on both pins), output buffers that mirror the
// upstream allocator, the time stamps of the output stream, the end-of-stream
// drain, and the COM interfaces every effect shares: property pages,
// persistence, presets and language.
//
// A concrete effect is CAkEffect over this frame (framework/win/effect.h),
// which owns the processor, adds the property interface and applies the
// "(Default)" settings through FinishConstruction().
#pragma once

#include "framework/processor.h"
#include "framework/win/ak_interfaces.h"
#include "framework/win/baseclasses/streams.h"
#include "framework/win/effect_interfaces.h"

class CAkEffectFilter : public CAkEffectFrame<CTransformFilter> {
 public:
  // CTransformFilter
  CBasePin* GetPin(int n) override;
  HRESULT Transform(IMediaSample* in, IMediaSample* out) override;
  HRESULT CheckInputType(const CMediaType* type) override;
  HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT GetMediaType(int position, CMediaType* type) override;
  HRESULT StartStreaming() override;
  HRESULT StopStreaming() override;
  HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override;
  HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* pin) override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;

  // The input pin's media-type check: our rules, then (with the output
  // connected) either the transform check or the downstream pin's word.
  HRESULT CheckInputPinType(const CMediaType* type);

 protected:
  // `description` must outlive the filter (a constant of the effect);
  // `processor` may still be under construction: it is only bound here.
  CAkEffectFilter(LPUNKNOWN outer, orlofx::EffectProcessor& processor,
                  const EffectDescription& description, const AMOVIESETUP_FILTER* setup);
  ~CAkEffectFilter() override;

  // Called at the top of Receive, before anything else (the dynamics effects
  // read the sample's start time for automation there).
  virtual void OnReceiveStart(IMediaSample* sample) {}

  // One call of the processing entry for input (modes 0 and 1) from Receive;
  // the automatable effects override it to cut the input into the stretches
  // their parameter automation allows. May consume less than offered.
  virtual HRESULT ProcessInput(int mode, const void* in, std::uint32_t* inFrames, void* out,
                               std::uint32_t* outFrames) {
    return processor_.Process(mode, in, inFrames, out, outFrames);
  }

  // Prepares the processor for new formats in the middle of a stream (its
  // buffers are already released). The automatable effects keep their
  // automation clock running across it.
  virtual HRESULT PrepareMidStream(const orlofx::WaveFormat& in, const orlofx::WaveFormat& out) {
    return processor_.Prepare(in, out);
  }

 private:
  HRESULT DeliverProduced(IMediaSample* out, std::uint32_t frames, bool stamp);
  // Stores the format a sample announces (and the matching output format
  // when the output must follow); the error for one the effect refuses.
  HRESULT AcceptSampleType(const AM_MEDIA_TYPE& announced);
  // Brings the processor to the stored formats when they are not the ones
  // it was prepared for: what it holds goes out first (unless a
  // discontinuity drops it anyway), then it is prepared anew.
  HRESULT FollowStoredFormats(bool drain);
  // Lets out everything the processor holds, continuing the time line.
  // *noBuffer tells a failure to get an output buffer from the others.
  HRESULT Drain(bool* noBuffer);

  orlofx::WaveFormat inputFormat_ = {};
  orlofx::WaveFormat outputFormat_ = {};
  bool hasInputFormat_ = false;
  bool hasOutputFormat_ = false;
  // The formats the processor was prepared for; the streaming side reads
  // and writes audio in these, never in a stored format it was not
  // prepared for.
  orlofx::WaveFormat streamInput_ = {};
  orlofx::WaveFormat streamOutput_ = {};
  // The output format changed mid-stream: the next delivered sample
  // carries the new type.
  bool outputTypePending_ = false;

  // Output stream state; survives stop and start, re-seeded by a discontinuity.
  bool discontinuityPending_ = false;
  bool syncPointPending_ = false;
  REFERENCE_TIME nextStart_ = 0;
  REFERENCE_TIME nextStop_ = 0;
  LONGLONG nextMediaStart_ = 0;
  LONGLONG nextMediaStop_ = 0;
};

// The input pin of a transform effect: only the media-type check differs from
// the platform's transform input pin.
class CAkEffectInputPin : public CTransformInputPin {
 public:
  CAkEffectInputPin(CAkEffectFilter* filter, HRESULT* result);
  HRESULT CheckMediaType(const CMediaType* type) override;

 private:
  CAkEffectFilter* effect_;
};

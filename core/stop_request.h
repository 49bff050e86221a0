#pragma once

namespace hosei {

// Asked by long work (reading a header, decoding a whole picture, correcting rows) whether
// the caller wants it given up. Work that is given up returns FileProblem::kStopped and
// leaves nothing behind. Implementations must be safe to ask from any thread.
class StopRequest {
 public:
  virtual ~StopRequest() = default;
  virtual bool stopRequested() const { return false; }
};

}  // namespace hosei

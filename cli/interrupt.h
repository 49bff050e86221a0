#pragma once

namespace hosei {

// Ctrl-C, a closed terminal or kill: the run is asked to stop, so that the files being
// written are abandoned cleanly (on file systems without unnamed files, such as FAT cards,
// a killed process would leave its hidden temporary files), the lines of finished files
// are still printed, and the process then ends by the same signal.
void WatchForInterrupts();

// The signal received since WatchForInterrupts, or 0.
int ReceivedInterrupt();

// Ends the process by the signal received, if there was one.
void EndByReceivedInterrupt();

}  // namespace hosei

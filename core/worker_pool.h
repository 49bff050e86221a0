#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace hosei {

// Threads that share out the parts of one job at a time. The thread that starts a job is
// free meanwhile (to read and write files) and joins in with `finish`, so no core idles.
class WorkerPool {
 public:
  // Helpers for the other cores of the machine; none on a single core.
  static int HelpersForThisMachine();

  explicit WorkerPool(int helpers);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // Starts running work(0) .. work(parts - 1) on the helpers; returns at once.
  void start(int parts, std::function<void(int part)> work);
  // Takes parts of the running job until none is left, then waits for the helpers.
  void finish();

 private:
  struct Job {
    std::function<void(int)> work;
    int parts = 0;
    std::atomic<int> next{0};
    int done = 0;  // guarded by the pool's mutex
  };

  void runParts(Job& job);
  void helperLoop();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable finished_;
  std::shared_ptr<Job> job_;
  bool stopping_ = false;
  std::vector<std::thread> helpers_;
};

}  // namespace hosei

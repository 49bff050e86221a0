#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace hosei {

// Threads that share out the parts of jobs. A thread that starts a job is free meanwhile
// (to read and write files) and joins in with `finish`, so no core idles. Several threads
// may run jobs at once; the helpers take parts from the oldest job first.
class WorkerPool {
 public:
  class Job;
  using Ticket = std::shared_ptr<Job>;

  // The process's one pool, with a helper for every other CPU the process may use.
  static WorkerPool& Shared();
  // CPUs this process may run on (its affinity mask), at least 1.
  static int UsableCpus();

  // Starts up to `helpers` threads: fewer, or none, when the system will not start more.
  explicit WorkerPool(int helpers);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  int helpers() const { return static_cast<int>(helpers_.size()); }

  // Queues work(0) .. work(parts - 1) for the helpers; returns at once.
  Ticket start(int parts, std::function<void(int part)> work);
  // Takes parts of the job until none is left, then waits for the helpers' parts. An
  // exception thrown by any part is rethrown here, in the thread that started the job.
  void finish(const Ticket& job);

 private:
  bool runPart(Job& job);
  void helperLoop();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable finished_;
  std::deque<Ticket> queue_;  // jobs that may have parts nobody has taken yet
  bool stopping_ = false;
  std::vector<std::thread> helpers_;
};

class WorkerPool::Job {
 public:
  Job(int parts, std::function<void(int)> work) : parts_(parts), work_(std::move(work)) {}

 private:
  friend class WorkerPool;
  const int parts_;
  const std::function<void(int)> work_;
  std::atomic<int> next_{0};
  int done_ = 0;              // guarded by the pool's mutex
  std::exception_ptr error_;  // the first failure, guarded by the pool's mutex
};

}  // namespace hosei

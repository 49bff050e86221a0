#include "worker_pool.h"

#include <sched.h>

#include <system_error>

namespace hosei {

int WorkerPool::UsableCpus() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) == 0) {
    const int count = CPU_COUNT(&set);
    if (count > 0) return count;
  }
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 0 ? static_cast<int>(cores) : 1;
}

WorkerPool& WorkerPool::Shared() {
  static WorkerPool pool(UsableCpus() - 1);
  return pool;
}

WorkerPool::WorkerPool(int helpers) {
  for (int i = 0; i < helpers; ++i) {
    try {
      helpers_.emplace_back([this] { helperLoop(); });
    } catch (const std::system_error&) {
      break;  // a process or memory limit: the callers' own threads do the work
    }
  }
}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (auto& helper : helpers_) helper.join();
}

WorkerPool::Ticket WorkerPool::start(int parts, std::function<void(int part)> work) {
  auto job = std::make_shared<Job>(parts, std::move(work));
  if (!helpers_.empty() && parts > 0) {
    {
      std::lock_guard lock(mutex_);
      queue_.push_back(job);
    }
    wake_.notify_all();
  }
  return job;
}

// Runs one untaken part of the job; false when none is left.
bool WorkerPool::runPart(Job& job) {
  const int part = job.next_.fetch_add(1);
  if (part >= job.parts_) return false;
  std::exception_ptr error;
  try {
    job.work_(part);
  } catch (...) {
    error = std::current_exception();
  }
  std::lock_guard lock(mutex_);
  if (error && !job.error_) job.error_ = error;
  if (++job.done_ == job.parts_) finished_.notify_all();
  return true;
}

void WorkerPool::finish(const Ticket& job) {
  if (!job) return;
  while (runPart(*job)) {
  }
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [&] { return job->done_ == job->parts_; });
  std::erase(queue_, job);
  if (job->error_) std::rethrow_exception(job->error_);
}

void WorkerPool::helperLoop() {
  for (;;) {
    Ticket job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
      if (stopping_) return;
      job = queue_.front();
      if (job->next_.load() >= job->parts_) {
        queue_.pop_front();
        continue;
      }
    }
    while (runPart(*job)) {
    }
  }
}

}  // namespace hosei

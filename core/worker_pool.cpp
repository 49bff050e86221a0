#include "worker_pool.h"

namespace hosei {

int WorkerPool::HelpersForThisMachine() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 1 ? static_cast<int>(cores) - 1 : 0;
}

WorkerPool::WorkerPool(int helpers) {
  for (int i = 0; i < helpers; ++i) helpers_.emplace_back([this] { helperLoop(); });
}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (auto& helper : helpers_) helper.join();
}

void WorkerPool::start(int parts, std::function<void(int part)> work) {
  auto job = std::make_shared<Job>();
  job->work = std::move(work);
  job->parts = parts;
  {
    std::lock_guard lock(mutex_);
    job_ = std::move(job);
  }
  wake_.notify_all();
}

void WorkerPool::finish() {
  std::shared_ptr<Job> job;
  {
    std::lock_guard lock(mutex_);
    job = job_;
  }
  if (!job) return;
  runParts(*job);
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [&] { return job->done == job->parts; });
  if (job_ == job) job_.reset();
}

void WorkerPool::runParts(Job& job) {
  int done = 0;
  for (int part = job.next.fetch_add(1); part < job.parts; part = job.next.fetch_add(1)) {
    job.work(part);
    ++done;
  }
  if (done == 0) return;
  std::lock_guard lock(mutex_);
  job.done += done;
  if (job.done == job.parts) finished_.notify_all();
}

void WorkerPool::helperLoop() {
  std::shared_ptr<Job> seen;
  for (;;) {
    std::shared_ptr<Job> job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || (job_ && job_ != seen); });
      if (stopping_) return;
      job = job_;
      seen = job;
    }
    runParts(*job);
  }
}

}  // namespace hosei

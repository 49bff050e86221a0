#pragma once

#include <cstdio>
#include <string>

namespace hosei {

// A one-line bar on a terminal, redrawn in place; does nothing when switched off.
class ProgressBar {
 public:
  ProgressBar(std::FILE* terminal, bool enabled) : out_(terminal), enabled_(enabled) {}

  void show(const std::string& label, int done, int total) {
    if (!enabled_ || total <= 0) return;
    constexpr int kCells = 30;
    const int filled = static_cast<int>(static_cast<long long>(done) * kCells / total);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kCells, '.');
    std::fprintf(out_, "\r[%s] %3d%% %s", bar.c_str(),
                 static_cast<int>(static_cast<long long>(done) * 100 / total), label.c_str());
    std::fflush(out_);
    shown_ = true;
  }

  void clear() {
    if (!shown_) return;
    std::fputs("\r\033[K", out_);
    std::fflush(out_);
    shown_ = false;
  }

 private:
  std::FILE* out_;
  bool enabled_;
  bool shown_ = false;
};

}  // namespace hosei

// The room labels and symbols take on a picture, so no label covers another.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace k9::engine {

// Where labels and symbols already are: one bit per pixel, so a test costs a few
// words a row however many boxes were taken (an overlay may mark 100,000 points).
// A box takes every pixel it touches.
class LabelSpace {
 public:
  LabelSpace(int w, int h)
      : w_(w), h_(h), words_((w + 63) / 64), bits_(static_cast<std::size_t>(words_) * h) {}
  bool Free(double x0, double y0, double x1, double y1) const {
    if (!(x0 >= 0 && y0 >= 0 && x1 <= w_ && y1 <= h_)) return false;
    bool free = true;
    Visit(x0, y0, x1, y1, [&](std::uint64_t& word, std::uint64_t mask) {
      free = (word & mask) == 0;
      return free;
    });
    return free;
  }
  void Take(double x0, double y0, double x1, double y1) {
    Visit(std::max(x0, 0.0), std::max(y0, 0.0), std::min(x1, double(w_)), std::min(y1, double(h_)),
          [](std::uint64_t& word, std::uint64_t mask) {
            word |= mask;
            return true;
          });
  }

 private:
  // Hands `fn` each word of the box's pixels with the mask of those pixels, until it
  // returns false.
  template <typename Fn>
  void Visit(double x0, double y0, double x1, double y1, Fn fn) const {
    if (!(x0 < x1) || !(y0 < y1)) return;
    const int c0 = static_cast<int>(x0), c1 = std::min(w_ - 1, static_cast<int>(std::ceil(x1)) - 1);
    const int r0 = static_cast<int>(y0), r1 = std::min(h_ - 1, static_cast<int>(std::ceil(y1)) - 1);
    for (int r = r0; r <= r1; ++r) {
      auto* row = const_cast<std::uint64_t*>(&bits_[static_cast<std::size_t>(r) * words_]);
      for (int word = c0 / 64; word <= c1 / 64; ++word) {
        const int from = std::max(c0, word * 64) - word * 64,
                  to = std::min(c1, word * 64 + 63) - word * 64;
        const std::uint64_t mask =
            (to == 63 ? ~0ull : (1ull << (to + 1)) - 1) & ~((1ull << from) - 1);
        if (!fn(row[word], mask)) return;
      }
    }
  }
  int w_, h_, words_;
  std::vector<std::uint64_t> bits_;
};

}  // namespace k9::engine

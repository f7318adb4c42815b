// Arrays with explicit bounds, indexed as the model indexes them: 1-based
// component arrays and (section, point) tables. An index outside the bounds is
// a programming error and throws, instead of reading someone else's memory.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace soar {

class Array1 {
  public:
    Array1() = default;
    Array1(int lo, int hi) { allocate(lo, hi); }
    // Re-create with bounds lo..hi, every element 0 (old contents discarded).
    void allocate(int lo, int hi) {
        lo_ = lo, hi_ = hi;
        v_.assign(hi >= lo ? static_cast<size_t>(hi - lo + 1) : 0, 0.0f);
    }
    float& operator()(int i) { return v_[check(i)]; }
    float operator()(int i) const { return v_[check(i)]; }
    int lo() const { return lo_; }
    int hi() const { return hi_; }
    bool empty() const { return v_.empty(); }

  private:
    size_t check(int i) const {
        if (i < lo_ || i > hi_)
            throw std::out_of_range("index " + std::to_string(i) + " outside " +
                                    std::to_string(lo_) + ".." + std::to_string(hi_));
        return static_cast<size_t>(i - lo_);
    }
    int lo_ = 1, hi_ = 0;
    std::vector<float> v_;
};

// Two-dimensional array with bounds (1..rows, 1..cols).
class Array2 {
  public:
    void allocate(int rows, int cols) {
        rows_ = rows, cols_ = cols;
        v_.assign(static_cast<size_t>(rows > 0 && cols > 0 ? rows * cols : 0), 0.0f);
    }
    float& operator()(int r, int c) { return v_[check(r, c)]; }
    float operator()(int r, int c) const { return v_[check(r, c)]; }
    int rows() const { return rows_; }
    int cols() const { return cols_; }

  private:
    size_t check(int r, int c) const {
        if (r < 1 || r > rows_ || c < 1 || c > cols_)
            throw std::out_of_range("index (" + std::to_string(r) + ", " + std::to_string(c) +
                                    ") outside (1.." + std::to_string(rows_) + ", 1.." +
                                    std::to_string(cols_) + ")");
        return static_cast<size_t>((r - 1) * cols_ + (c - 1));
    }
    int rows_ = 0, cols_ = 0;
    std::vector<float> v_;
};

}  // namespace soar

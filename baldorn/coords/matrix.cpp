#include "coords/matrix.h"

#include <cmath>
#include <utility>

namespace baldorn {
namespace {
constexpr double kSmallestNormal = 2.2250738585072014e-308;
}

CMatrix::CMatrix(int rows, int cols) {
    Resize(rows, cols);
}

CMatrix::CMatrix(int rows, int cols, std::initializer_list<double> values) {
    Resize(rows, cols);
    size_t i = 0;
    for (double v : values) {
        if (i >= data_.size()) break;
        data_[i++] = v;
    }
}

void CMatrix::Resize(int rows, int cols) {
    if (rows <= 0 || cols <= 0) {
        rows_ = cols_ = 0;
        data_.clear();
        ok = 0;
        return;
    }
    rows_ = rows;
    cols_ = cols;
    data_.assign(static_cast<size_t>(rows) * static_cast<size_t>(cols), 0.0);
    ok = 1;
}

double CMatrix::Get(int r, int c) const {
    return Inside(r, c) ? data_[static_cast<size_t>(r) * cols_ + c] : 0.0;
}

bool CMatrix::Set(int r, int c, double v) {
    if (!Inside(r, c)) return false;
    data_[static_cast<size_t>(r) * cols_ + c] = v;
    return true;
}

double& CMatrix::At(int r, int c) {
    if (Inside(r, c)) return data_[static_cast<size_t>(r) * cols_ + c];
    if (!data_.empty()) return data_[0];
    return scratch_;
}

bool CMatrix::SetBlock(int row, int col, const CMatrix& other) {
    if (row < 0 || col < 0 || row + other.rows_ > rows_ || col + other.cols_ > cols_) return false;
    for (int r = 0; r < other.rows_; ++r)
        for (int c = 0; c < other.cols_; ++c) Set(row + r, col + c, other.Get(r, c));
    return true;
}

CMatrix CMatrix::RowRange(int first, int count) const {
    return Block(first, 0, first + count - 1, cols_ - 1);
}

CMatrix CMatrix::Block(int row0, int col0, int row1, int col1) const {
    CMatrix out;
    if (row0 < 0 || col0 < 0 || row1 >= rows_ || col1 >= cols_ || row1 < row0 || col1 < col0)
        return out;
    out.Resize(row1 - row0 + 1, col1 - col0 + 1);
    for (int r = row0; r <= row1; ++r)
        for (int c = col0; c <= col1; ++c) out.Set(r - row0, c - col0, Get(r, c));
    return out;
}

CMatrix CMatrix::operator+(const CMatrix& o) const {
    CMatrix out;
    if (rows_ != o.rows_ || cols_ != o.cols_ || rows_ == 0) return out;
    out = *this;
    for (size_t i = 0; i < data_.size(); ++i) out.data_[i] += o.data_[i];
    return out;
}

CMatrix& CMatrix::operator+=(const CMatrix& o) {
    *this = *this + o;
    return *this;
}

CMatrix CMatrix::operator*(const CMatrix& o) const {
    CMatrix out;
    if (cols_ != o.rows_ || rows_ == 0 || o.cols_ == 0) return out;
    out.Resize(rows_, o.cols_);
    for (int r = 0; r < rows_; ++r)
        for (int k = 0; k < cols_; ++k) {
            const double a = data_[static_cast<size_t>(r) * cols_ + k];
            if (a == 0.0) continue;
            for (int c = 0; c < o.cols_; ++c)
                out.data_[static_cast<size_t>(r) * o.cols_ + c] +=
                    a * o.data_[static_cast<size_t>(k) * o.cols_ + c];
        }
    return out;
}

CMatrix CMatrix::operator*(double s) const {
    CMatrix out = *this;
    for (double& v : out.data_) v *= s;
    return out;
}

CMatrix CMatrix::operator/(double s) const {
    CMatrix out = *this;
    if (std::fabs(s) <= kSmallestNormal) {
        out.ok = 0;
        return out;
    }
    for (double& v : out.data_) v /= s;
    return out;
}

CMatrix CMatrix::Transpose() const {
    CMatrix out;
    if (rows_ == 0) return out;
    out.Resize(cols_, rows_);
    for (int r = 0; r < rows_; ++r)
        for (int c = 0; c < cols_; ++c) out.Set(c, r, Get(r, c));
    return out;
}

double CMatrix::SumOfSquares() const {
    if (rows_ != 1 && cols_ != 1) return 0.0;
    double s = 0.0;
    for (double v : data_) s += v * v;
    return s;
}

double CMatrix::Norm() const {
    return std::sqrt(SumOfSquares());
}

double CMatrix::Trace() const {
    if (rows_ != cols_) return 0.0;
    double s = 0.0;
    for (int i = 0; i < rows_; ++i) s += Get(i, i);
    return s;
}

CMatrix CMatrix::Inverse(double threshold) const {
    CMatrix a = *this;
    const int n = rows_;
    if (n <= 0 || rows_ != cols_) {
        a.ok = 0;
        return a;
    }
    std::vector<int> pivotRow(n), pivotCol(n);
    auto e = [&a, n](int r, int c) -> double& { return a.data_[static_cast<size_t>(r) * n + c]; };
    for (int k = 0; k < n; ++k) {
        double best = -1.0;
        int pr = k, pc = k;
        for (int i = k; i < n; ++i)
            for (int j = k; j < n; ++j)
                if (std::fabs(e(i, j)) > best) {
                    best = std::fabs(e(i, j));
                    pr = i;
                    pc = j;
                }
        pivotRow[k] = pr;
        pivotCol[k] = pc;
        if (!(best >= threshold)) {
            a.ok = 0;
            return a;
        }
        if (pr != k)
            for (int j = 0; j < n; ++j) std::swap(e(k, j), e(pr, j));
        if (pc != k)
            for (int i = 0; i < n; ++i) std::swap(e(i, k), e(i, pc));
        e(k, k) = 1.0 / e(k, k);
        const double akk = e(k, k);
        for (int j = 0; j < n; ++j)
            if (j != k) e(k, j) *= akk;
        for (int i = 0; i < n; ++i) {
            if (i == k) continue;
            const double aik = e(i, k);
            for (int j = 0; j < n; ++j)
                if (j != k) e(i, j) -= e(k, j) * aik;
        }
        for (int i = 0; i < n; ++i)
            if (i != k) e(i, k) = -e(i, k) * akk;
    }
    for (int k = n - 1; k >= 0; --k) {
        const int pc = pivotCol[k];
        const int pr = pivotRow[k];
        if (pc != k)
            for (int j = 0; j < n; ++j) std::swap(e(k, j), e(pc, j));
        if (pr != k)
            for (int i = 0; i < n; ++i) std::swap(e(i, k), e(i, pr));
    }
    a.ok = 1;
    return a;
}

int LeastSquares(const CMatrix& a, const CMatrix& l, const CMatrix* w, CMatrix& x, CMatrix& q) {
    if (a.Rows() == 0 || a.Rows() < a.Cols()) return 0;
    const CMatrix m = w ? a.Transpose() * *w : a.Transpose();
    const CMatrix n = m * a;
    if (!n.ok) return 0;
    CMatrix inv = n.Inverse(1e-50);
    if (!inv.ok) return 0;
    CMatrix sol = inv * (m * l);
    if (!sol.ok) return 0;
    q = inv;
    x = sol;
    return 1;
}

}  // namespace baldorn

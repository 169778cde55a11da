// A small dense matrix of doubles with the operations the estimators need.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace baldorn {

class CMatrix {
  public:
    CMatrix() = default;
    CMatrix(int rows, int cols);
    CMatrix(int rows, int cols, std::initializer_list<double> values);
    virtual ~CMatrix() = default;
    CMatrix(const CMatrix&) = default;
    CMatrix& operator=(const CMatrix&) = default;

    int32_t ok = 0;

    int Rows() const { return rows_; }
    int Cols() const { return cols_; }
    void Resize(int rows, int cols);

    // Reads outside the matrix give 0; writes outside are ignored and report false.
    double Get(int r, int c) const;
    bool Set(int r, int c, double v);
    // Reference to an element; outside the matrix it refers to the first element (or a
    // scratch value for an empty matrix).
    double& At(int r, int c);

    bool SetBlock(int row, int col, const CMatrix& other);
    CMatrix RowRange(int first, int count) const;
    CMatrix Block(int row0, int col0, int row1, int col1) const;

    CMatrix operator+(const CMatrix& o) const;
    CMatrix operator*(const CMatrix& o) const;
    CMatrix operator*(double s) const;
    CMatrix operator/(double s) const;
    CMatrix& operator+=(const CMatrix& o);
    CMatrix Transpose() const;

    // Only for row or column vectors; other shapes give 0.
    double SumOfSquares() const;
    double Norm() const;
    // Only for square matrices; other shapes give 0.
    double Trace() const;
    // Gauss-Jordan inverse with full pivoting; ok = 0 when a pivot is below the threshold.
    CMatrix Inverse(double threshold) const;

  private:
    bool Inside(int r, int c) const { return r >= 0 && c >= 0 && r < rows_ && c < cols_; }
    int rows_ = 0;
    int cols_ = 0;
    std::vector<double> data_;
    double scratch_ = 0.0;
};

// Weighted least squares: x = (A'WA)^-1 A'W l, Q = (A'WA)^-1. W may be null.
int LeastSquares(const CMatrix& a, const CMatrix& l, const CMatrix* w, CMatrix& x, CMatrix& q);

}  // namespace baldorn

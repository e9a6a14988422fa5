#pragma once
// Swap, maximum and minimum helpers. The array forms need at least one element; on equal values
// the first one found stays the result.

#include <QVariant>
#include <cstdint>
#include <span>

void SwapInt(int& A, int& B);
void SwapLong(int& A, int& B);
void SwapInt64(std::int64_t& A, std::int64_t& B);
int Max(int A, int B);
int Min(int A, int B);
int MaxInteger(std::span<const int> Values);
int MinInteger(std::span<const int> Values);
std::int64_t MaxInt64(std::span<const std::int64_t> Values);
std::int64_t MinInt64(std::span<const std::int64_t> Values);
long double MaxFloat(std::span<const long double> Values);
long double MinFloat(std::span<const long double> Values);
// Date-times on the platform's scale: days since 30 December 1899, the time as fraction.
double MaxDateTime(std::span<const double> Values);
double MinDateTime(std::span<const double> Values);
// Compared as QVariant compares; values that do not compare leave the result as it is.
QVariant MaxOf(std::span<const QVariant> Values);
QVariant MinOf(std::span<const QVariant> Values);

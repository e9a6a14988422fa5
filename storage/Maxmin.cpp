#include "storage/Maxmin.h"

#include <utility>

namespace {

// The first element for which no later one is better.
template <class T, class Better> T pick(std::span<const T> values, Better better) {
    T result = values.front();
    for (const T& value : values.subspan(1)) {
        if (better(value, result))
            result = value;
    }
    return result;
}

bool variantGreater(const QVariant& a, const QVariant& b) {
    return QVariant::compare(a, b) == QPartialOrdering::Greater;
}

bool variantLess(const QVariant& a, const QVariant& b) {
    return QVariant::compare(a, b) == QPartialOrdering::Less;
}

} // namespace

void SwapInt(int& A, int& B) {
    std::swap(A, B);
}
void SwapLong(int& A, int& B) {
    std::swap(A, B);
}
void SwapInt64(std::int64_t& A, std::int64_t& B) {
    std::swap(A, B);
}
int Max(int A, int B) {
    return A > B ? A : B;
}
int Min(int A, int B) {
    return A < B ? A : B;
}

int MaxInteger(std::span<const int> Values) {
    return pick(Values, std::greater<>());
}
int MinInteger(std::span<const int> Values) {
    return pick(Values, std::less<>());
}
std::int64_t MaxInt64(std::span<const std::int64_t> Values) {
    return pick(Values, std::greater<>());
}
std::int64_t MinInt64(std::span<const std::int64_t> Values) {
    return pick(Values, std::less<>());
}
long double MaxFloat(std::span<const long double> Values) {
    return pick(Values, std::greater<>());
}
long double MinFloat(std::span<const long double> Values) {
    return pick(Values, std::less<>());
}
double MaxDateTime(std::span<const double> Values) {
    return pick(Values, std::greater<>());
}
double MinDateTime(std::span<const double> Values) {
    return pick(Values, std::less<>());
}
QVariant MaxOf(std::span<const QVariant> Values) {
    return pick(Values, variantGreater);
}
QVariant MinOf(std::span<const QVariant> Values) {
    return pick(Values, variantLess);
}

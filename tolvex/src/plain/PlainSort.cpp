// Sorting, reversing, shuffling and the comparisons behind them.
//
// Sort's kind says what the items are; every kind sorts ascending (Reverse gives descending):
//   0  int64_t
//   1  double: numeric order, NaN after every number
//   2  TvStr*: CmpStr order
//   3  uint8_t    4  uint16_t    5  uint32_t    6  uint64_t
#include <algorithm>
#include <cmath>
#include <cstring>

#include "Tolvex.h"
#include "core/Errors.h"
#include "plain/Random.h"

namespace {

// -1, 0 or 1 for any ordered type.
template <typename T>
int64_t Order(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Quiet comparisons only: the caller runs with the invalid-operation trap on, and NaN is a
// legitimate item to sort.
int64_t OrderReal(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) {
        return Order(std::isnan(a), std::isnan(b));
    }
    return std::isless(a, b) ? -1 : (std::isless(b, a) ? 1 : 0);
}

int64_t OrderStr(const TvStr* a, const TvStr* b, const char* entry) {
    if (a == nullptr || b == nullptr) {
        tolvex::Raise(TV_ERR_ARG, "%s: the string is null", entry);
    }
    const int64_t common = std::min(a->Len, b->Len);
    for (int64_t i = 0; i < common; ++i) {
        if (a->Text[i] != b->Text[i]) {
            return Order(a->Text[i], b->Text[i]);
        }
    }
    return Order(a->Len, b->Len);
}

template <typename T, typename Less>
void SortAs(void* items, int64_t count, Less less) {
    auto* first = static_cast<T*>(items);
    std::stable_sort(first, first + count, less);
}

template <typename T>
void SortAs(void* items, int64_t count) {
    SortAs<T>(items, count, [](T a, T b) { return a < b; });
}

void CheckArray(const void* items, int64_t count, int64_t itemBytes, const char* entry) {
    if (count < 0 || itemBytes <= 0) {
        tolvex::Raise(TV_ERR_ARG, "%s: %lld items of %lld bytes", entry,
                      static_cast<long long>(count), static_cast<long long>(itemBytes));
    }
    if (items == nullptr && count > 0) {
        tolvex::Raise(TV_ERR_ARG, "%s: the array is null", entry);
    }
}

void SwapItems(unsigned char* a, unsigned char* b, size_t bytes) {
    unsigned char chunk[64];
    while (bytes > 0) {
        const size_t n = std::min(bytes, sizeof chunk);
        std::memcpy(chunk, a, n);
        std::memcpy(a, b, n);
        std::memcpy(b, chunk, n);
        a += n;
        b += n;
        bytes -= n;
    }
}

}  // namespace

using namespace tolvex;

void Sort(void* items, int64_t count, int64_t kind) {
    CheckArray(items, count, 1, "Sort");
    switch (kind) {
        case 0:
            SortAs<int64_t>(items, count);
            break;
        case 1:
            SortAs<double>(items, count, [](double a, double b) { return OrderReal(a, b) < 0; });
            break;
        case 2:
            // Refuse null strings before sorting, rather than midway through.
            for (int64_t i = 0; i < count; ++i) {
                if (static_cast<const TvStr* const*>(items)[i] == nullptr) {
                    Raise(TV_ERR_ARG, "Sort: string %lld is null", static_cast<long long>(i));
                }
            }
            SortAs<const TvStr*>(items, count, [](const TvStr* a, const TvStr* b) {
                return OrderStr(a, b, "Sort") < 0;
            });
            break;
        case 3:
            SortAs<uint8_t>(items, count);
            break;
        case 4:
            SortAs<uint16_t>(items, count);
            break;
        case 5:
            SortAs<uint32_t>(items, count);
            break;
        case 6:
            SortAs<uint64_t>(items, count);
            break;
        default:
            Raise(TV_ERR_ARG, "Sort: unknown kind %lld", static_cast<long long>(kind));
    }
}

void Reverse(void* items, int64_t count, int64_t itemBytes) {
    CheckArray(items, count, itemBytes, "Reverse");
    auto* bytes = static_cast<unsigned char*>(items);
    const auto size = static_cast<size_t>(itemBytes);
    for (int64_t i = 0, j = count - 1; i < j; ++i, --j) {
        SwapItems(bytes + static_cast<size_t>(i) * size, bytes + static_cast<size_t>(j) * size,
                  size);
    }
}

// Fisher-Yates on the library's generator, so a seeded run shuffles the same way every time.
void Shuffle(void* items, int64_t count, int64_t itemBytes) {
    CheckArray(items, count, itemBytes, "Shuffle");
    auto* bytes = static_cast<unsigned char*>(items);
    const auto size = static_cast<size_t>(itemBytes);
    for (int64_t i = count - 1; i > 0; --i) {
        const auto j = static_cast<int64_t>(RandomUpTo(static_cast<uint64_t>(i)));
        if (j != i) {
            SwapItems(bytes + static_cast<size_t>(i) * size, bytes + static_cast<size_t>(j) * size,
                      size);
        }
    }
}

// UTF-16 unit order; a string that is the start of another comes first.
int64_t CmpStr(const TvStr* a, const TvStr* b) { return OrderStr(a, b, "CmpStr"); }
int64_t CmpInt(int64_t a, int64_t b) { return Order(a, b); }
int64_t CmpFloat(double a, double b) { return OrderReal(a, b); }
int64_t CmpByte8(uint8_t a, uint8_t b) { return Order(a, b); }
int64_t CmpByte16(uint16_t a, uint16_t b) { return Order(a, b); }
int64_t CmpByte32(uint32_t a, uint32_t b) { return Order(a, b); }
int64_t CmpByte64(uint64_t a, uint64_t b) { return Order(a, b); }

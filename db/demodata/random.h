#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace kpv::demo {

// SplitMix64: small, fast, and the same sequence for a seed on every platform and library, which the
// standard distributions do not promise.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // In [0, bound).
    int below(int bound) { return static_cast<int>(next() % static_cast<std::uint64_t>(bound)); }
    // In [low, high].
    int between(int low, int high) { return low + below(high - low + 1); }
    // In [0, 1).
    double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    bool chance(double probability) { return unit() < probability; }

    QString digits(int count) {
        QString text;
        for (int i = 0; i < count; ++i) text += QChar(u'0' + below(10));
        return text;
    }

    template <typename T>
    const T& pick(const std::vector<T>& items) {
        return items[static_cast<size_t>(below(static_cast<int>(items.size())))];
    }
    const QString& pick(const QStringList& items) { return items[below(static_cast<int>(items.size()))]; }

  private:
    std::uint64_t state_;
};

}  // namespace kpv::demo

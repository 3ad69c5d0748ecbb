// Made-up prose for the diary entries of the benchmarks' archives.
#pragma once

#include <QString>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

// Made-up words with a skewed use, so the text compresses about as well as
// prose does. The same seed gives the same text.
class TProse {
public:
    explicit TProse(unsigned seed) : rng_(seed) {
        static const char letters[] = "etaoinshrdlucmfwypvbgkjqxz";
        for (int i = 0; i < 4000; ++i) {
            std::string w;
            const int len = 2 + static_cast<int>(rng_() % 8);
            for (int k = 0; k < len; ++k)
                w += letters[std::min<unsigned>(rng_() % 26, rng_() % 26)];
            words_.push_back(w);
        }
    }
    // Words, with a full stop now and then, up to at least `chars` characters.
    QString Words(std::size_t chars) {
        QString p;
        while (static_cast<std::size_t>(p.size()) < chars) {
            const unsigned a = rng_() % words_.size(), b = rng_() % words_.size();
            p += QString::fromStdString(words_[std::min(a, b)]);
            p += rng_() % 12 == 0 ? QStringLiteral(". ") : QStringLiteral(" ");
        }
        return p;
    }
    std::mt19937& Rng() { return rng_; }

private:
    std::mt19937 rng_;
    std::vector<std::string> words_;
};

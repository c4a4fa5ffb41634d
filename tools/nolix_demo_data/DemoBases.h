// The base pairing the demo genome is written with: upper-case A, C, G, T; anything else (N)
// stays as it is.
#pragma once

#include <QByteArray>

namespace Nx {

inline char complementBase(char c) {
    switch (c) {
        case 'A': return 'T';
        case 'C': return 'G';
        case 'G': return 'C';
        case 'T': return 'A';
        default: return c;
    }
}

inline QByteArray reverseComplement(const QByteArray& s) {
    QByteArray r(s.size(), 'N');
    for (int i = 0; i < s.size(); ++i) {
        r[s.size() - 1 - i] = complementBase(s[i]);
    }
    return r;
}

}  // namespace Nx

#include "DNAAlphabet.h"

#include <cctype>

namespace Nx {

DNAAlphabet::DNAAlphabet(const QString& id, const QString& name, DNAAlphabetType type, const QByteArray& letters)
    : id(id), name(name), type(type), letters(letters.toUpper()) {
    for (char c : this->letters) {
        unsigned char u = static_cast<unsigned char>(c);
        member[u] = true;
        member[static_cast<unsigned char>(std::tolower(u))] = true;
    }
}

bool DNAAlphabet::containsAll(const QByteArray& data) const {
    if (isRaw()) {
        return true;
    }
    for (char c : data) {
        if (!contains(c)) {
            return false;
        }
    }
    return true;
}

}  // namespace Nx

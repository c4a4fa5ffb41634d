// A named set of sequence letters. Letters are matched without regard to case.
#pragma once

#include <QByteArray>
#include <QString>

#include <array>

namespace Nx {

enum class DNAAlphabetType : int { Raw = 0, Nucleic = 1, Amino = 2 };

class DNAAlphabet {
public:
    // letters: the upper-case letters of the alphabet; empty for the raw alphabet (every byte).
    DNAAlphabet(const QString& id, const QString& name, DNAAlphabetType type, const QByteArray& letters);

    const QString& getId() const { return id; }
    const QString& getName() const { return name; }
    DNAAlphabetType getType() const { return type; }
    bool isNucleic() const { return type == DNAAlphabetType::Nucleic; }
    bool isAmino() const { return type == DNAAlphabetType::Amino; }
    bool isRaw() const { return type == DNAAlphabetType::Raw; }
    // Upper-case letters in the order given at construction.
    const QByteArray& getLetters() const { return letters; }

    // True when c (either case) belongs to the alphabet; every byte belongs to the raw alphabet.
    bool contains(char c) const { return isRaw() || member[static_cast<unsigned char>(c)]; }
    // True when every byte of data belongs to the alphabet.
    bool containsAll(const QByteArray& data) const;

private:
    QString id;
    QString name;
    DNAAlphabetType type;
    QByteArray letters;
    std::array<bool, 256> member{};  // by byte value, both cases set
};

}  // namespace Nx

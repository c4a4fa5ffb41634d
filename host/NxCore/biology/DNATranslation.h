// A conversion of sequence letters from one alphabet into another: nucleotide to complement, or
// nucleotide triplets to amino acids. Translations are immutable and safe to share between threads.
#pragma once

#include <QString>
#include <QtGlobal>

namespace Nx {

class DNAAlphabet;

// The numeric values are part of the interface: callers ask for type 2 or 3.
enum class DNATranslationType : int {
    Unknown = 0,
    NucleotideToNucleotide = 1,
    NucleotideToComplement = 2,
    NucleotideToAmino = 3,
};

class DNATranslation {
public:
    DNATranslation(const QString& id, const QString& name, DNATranslationType type, const DNAAlphabet* srcAlphabet,
                   const DNAAlphabet* dstAlphabet)
        : id(id), name(name), type(type), srcAlphabet(srcAlphabet), dstAlphabet(dstAlphabet) {}
    virtual ~DNATranslation() = default;

    const QString& getId() const { return id; }
    const QString& getName() const { return name; }
    DNATranslationType getTranslationType() const { return type; }
    const DNAAlphabet* getSrcAlphabet() const { return srcAlphabet; }
    const DNAAlphabet* getDstAlphabet() const { return dstAlphabet; }

    // Converts the first `length` bytes of buffer in place and returns how many result bytes are
    // at its start: `length` for a complement, length / 3 amino acids for a genetic code.
    virtual qint64 translate(char* buffer, qint64 length) const = 0;
    // One amino acid for three nucleotides; translations that are not genetic codes return 'X'.
    virtual char translate3to1(char c1, char c2, char c3) const {
        Q_UNUSED(c1);
        Q_UNUSED(c2);
        Q_UNUSED(c3);
        return 'X';
    }

private:
    QString id;
    QString name;
    DNATranslationType type;
    const DNAAlphabet* srcAlphabet;  // borrowed from the alphabet registry
    const DNAAlphabet* dstAlphabet;  // borrowed from the alphabet registry
};

}  // namespace Nx

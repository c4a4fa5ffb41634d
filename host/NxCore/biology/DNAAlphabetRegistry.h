// The alphabets known to the application. The default constructor registers the standard ones
// (BaseDNAAlphabetIds), so a fresh registry is ready to use.
#pragma once

#include <QList>
#include <QString>

namespace Nx {

class DNAAlphabet;

class DNAAlphabetRegistry {
public:
    DNAAlphabetRegistry();
    ~DNAAlphabetRegistry();
    DNAAlphabetRegistry(const DNAAlphabetRegistry&) = delete;
    DNAAlphabetRegistry& operator=(const DNAAlphabetRegistry&) = delete;

    // Takes ownership. False (and the alphabet deleted) when its id is already registered.
    bool registerAlphabet(DNAAlphabet* alphabet);
    // The alphabet with exactly that id, or null. The registry keeps ownership.
    DNAAlphabet* findById(const QString& id) const;
    // Every alphabet, in registration order.
    QList<DNAAlphabet*> getRegisteredAlphabets() const { return alphabets; }

private:
    QList<DNAAlphabet*> alphabets;  // owned
};

}  // namespace Nx

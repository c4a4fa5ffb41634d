// The translations known to the application. The default constructor registers, for the standard
// and the extended DNA alphabets, the complement (type 2) and the standard genetic code (type 3);
// it needs no alphabet registry of its own and allocates only those few small objects.
#pragma once

#include <NxCore/biology/DNATranslation.h>

#include <QList>

namespace Nx {

class DNAAlphabet;
class DNAAlphabetRegistry;

class DNATranslationRegistry {
public:
    // Uses the application's alphabet registry when there is one, so that lookups with its
    // alphabets match; otherwise the registry keeps alphabets of its own.
    DNATranslationRegistry();
    // Translations over the alphabets of the given registry (borrowed, must outlive this one).
    explicit DNATranslationRegistry(DNAAlphabetRegistry* alphabets);
    ~DNATranslationRegistry();
    DNATranslationRegistry(const DNATranslationRegistry&) = delete;
    DNATranslationRegistry& operator=(const DNATranslationRegistry&) = delete;

    // Takes ownership.
    void registerTranslation(DNATranslation* translation);

    // Translations of that type whose source alphabet is `alphabet` (same object or same id), in
    // registration order; the first is the standard one. Empty for a null alphabet.
    QList<DNATranslation*> lookupTranslation(const DNAAlphabet* alphabet, DNATranslationType type) const;
    // The translation with that id, or null.
    DNATranslation* lookupTranslation(const QString& id) const;
    QList<DNATranslation*> getTranslations() const { return translations; }

    // Translation ids registered by the constructor.
    static QString complementId(const QString& alphabetId) { return alphabetId + QStringLiteral(":complement"); }
    static QString standardCodeId(const QString& alphabetId) { return alphabetId + QStringLiteral(":standard-code"); }

private:
    void registerStandard(DNAAlphabetRegistry* alphabets);

    DNAAlphabetRegistry* ownAlphabets = nullptr;  // only when no application registry was there
    QList<DNATranslation*> translations;          // owned
};

}  // namespace Nx

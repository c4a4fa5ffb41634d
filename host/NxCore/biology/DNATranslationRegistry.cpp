#include "DNATranslationRegistry.h"

#include "BaseDNAAlphabetIds.h"
#include "DNAAlphabet.h"
#include "DNAAlphabetRegistry.h"
#include "DNAAminoTranslation.h"
#include "DNAComplementTranslation.h"

#include <NxCore/core/AppContext.h>

#include <QtAlgorithms>

namespace Nx {

DNATranslationRegistry::DNATranslationRegistry() {
    DNAAlphabetRegistry* alphabets = AppContext::getDNAAlphabetRegistry();
    if (alphabets == nullptr) {
        ownAlphabets = new DNAAlphabetRegistry();
        alphabets = ownAlphabets;
    }
    registerStandard(alphabets);
}

DNATranslationRegistry::DNATranslationRegistry(DNAAlphabetRegistry* alphabets) {
    if (alphabets == nullptr) {
        ownAlphabets = new DNAAlphabetRegistry();
        alphabets = ownAlphabets;
    }
    registerStandard(alphabets);
}

DNATranslationRegistry::~DNATranslationRegistry() {
    qDeleteAll(translations);
    delete ownAlphabets;
}

void DNATranslationRegistry::registerStandard(DNAAlphabetRegistry* alphabets) {
    const DNAAlphabet* amino = alphabets->findById(BaseDNAAlphabetIds::AMINO_DEFAULT());
    for (const QString& id : {BaseDNAAlphabetIds::NUCL_DNA_DEFAULT(), BaseDNAAlphabetIds::NUCL_DNA_EXTENDED()}) {
        const DNAAlphabet* dna = alphabets->findById(id);
        if (dna == nullptr) {
            continue;
        }
        registerTranslation(new DNAComplementTranslation(complementId(id), dna));
        registerTranslation(new DNAAminoTranslation(standardCodeId(id), dna, amino));
    }
}

void DNATranslationRegistry::registerTranslation(DNATranslation* translation) {
    if (translation != nullptr) {
        translations.append(translation);
    }
}

QList<DNATranslation*> DNATranslationRegistry::lookupTranslation(const DNAAlphabet* alphabet,
                                                                 DNATranslationType type) const {
    QList<DNATranslation*> result;
    if (alphabet == nullptr) {
        return result;
    }
    for (DNATranslation* t : translations) {
        const DNAAlphabet* src = t->getSrcAlphabet();
        bool sameAlphabet = src == alphabet || (src != nullptr && src->getId() == alphabet->getId());
        if (sameAlphabet && t->getTranslationType() == type) {
            result.append(t);
        }
    }
    return result;
}

DNATranslation* DNATranslationRegistry::lookupTranslation(const QString& id) const {
    for (DNATranslation* t : translations) {
        if (t->getId() == id) {
            return t;
        }
    }
    return nullptr;
}

}  // namespace Nx

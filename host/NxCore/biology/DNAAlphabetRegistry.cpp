#include "DNAAlphabetRegistry.h"

#include "BaseDNAAlphabetIds.h"
#include "DNAAlphabet.h"

#include <QtAlgorithms>

namespace Nx {

DNAAlphabetRegistry::DNAAlphabetRegistry() {
    registerAlphabet(new DNAAlphabet(BaseDNAAlphabetIds::NUCL_DNA_DEFAULT(), QStringLiteral("Standard DNA"),
                                     DNAAlphabetType::Nucleic, "ACGTN-"));
    registerAlphabet(new DNAAlphabet(BaseDNAAlphabetIds::NUCL_DNA_EXTENDED(), QStringLiteral("Extended DNA"),
                                     DNAAlphabetType::Nucleic, "ACGTNRYKMSWBDHV-"));
    registerAlphabet(new DNAAlphabet(BaseDNAAlphabetIds::NUCL_RNA_DEFAULT(), QStringLiteral("Standard RNA"),
                                     DNAAlphabetType::Nucleic, "ACGUN-"));
    registerAlphabet(new DNAAlphabet(BaseDNAAlphabetIds::AMINO_DEFAULT(), QStringLiteral("Standard amino"),
                                     DNAAlphabetType::Amino, "ACDEFGHIKLMNPQRSTVWYBZX*-"));
    registerAlphabet(new DNAAlphabet(BaseDNAAlphabetIds::RAW(), QStringLiteral("Raw"), DNAAlphabetType::Raw, QByteArray()));
}

DNAAlphabetRegistry::~DNAAlphabetRegistry() {
    qDeleteAll(alphabets);
}

bool DNAAlphabetRegistry::registerAlphabet(DNAAlphabet* alphabet) {
    if (alphabet == nullptr) {
        return false;
    }
    if (findById(alphabet->getId()) != nullptr) {
        delete alphabet;
        return false;
    }
    alphabets.append(alphabet);
    return true;
}

DNAAlphabet* DNAAlphabetRegistry::findById(const QString& id) const {
    for (DNAAlphabet* a : alphabets) {
        if (a->getId() == id) {
            return a;
        }
    }
    return nullptr;
}

}  // namespace Nx

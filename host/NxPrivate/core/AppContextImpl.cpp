#include "AppContextImpl.h"

#include <NxCore/biology/DNAAlphabetRegistry.h>
#include <NxCore/biology/DNATranslationRegistry.h>
#include <NxCore/datapath/NxDataPathRegistry.h>

#include <NxTest/GTestFramework.h>

namespace Nx {

AppContextImpl* AppContextImpl::getApplicationContext() {
    // Lives until the process ends; destroyed after main() returns.
    static AppContextImpl instance;
    return &instance;
}

AppContextImpl::AppContextImpl() {
    is = this;
    ownDataPathRegistry = new NxDataPathRegistry();
    dataPathRegistry = ownDataPathRegistry;
    ownTestFramework = new GTestFramework();
    testFramework = ownTestFramework;
    ownAlphabetRegistry = new DNAAlphabetRegistry();
    alphabetRegistry = ownAlphabetRegistry;
    // After the alphabets: the translation registry uses the context's alphabets.
    ownTranslationRegistry = new DNATranslationRegistry(ownAlphabetRegistry);
    translationRegistry = ownTranslationRegistry;
}

AppContextImpl::~AppContextImpl() {
    delete ownTranslationRegistry;
    delete ownAlphabetRegistry;
    delete ownTestFramework;
    delete ownDataPathRegistry;
    if (is == this) {
        is = nullptr;
    }
}

}  // namespace Nx

// Names used by the reference database for its feature kinds, region sets and qualifiers.
#pragma once

namespace Nx {
namespace ReferenceVocabulary {

const char* const GENE = "Gene";
const char* const EXON = "Exon";
const char* const CDS = "CDS";
const char* const SEGMENTAL_DUPLICATIONS = "SD";
const char* const CONSERVED_REGIONS = "CR";
const char* const NAME_QUALIFIER = "name";
const char* const ALT_NAME = "alt_name";
const char* const NOTE = "note";
const char* const ACCESSION = "accession";
const char* const KNOWN = "known";
const char* const DISEASE = "disease";
const char* const FURTHER_NAME_O = "#~o";
const char* const FURTHER_NAME_OO = "#~oo";
const char* const FURTHER_NAME_OJ = "#~oj";
const char* const FURTHER_NAME_C = "#~c";

}  // namespace ReferenceVocabulary
}  // namespace Nx

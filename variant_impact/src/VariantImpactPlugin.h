// The plug-in object of variant_impact. Everything the plug-in contributes is registered in its
// constructor, in a fixed order: the "db_path" data path, the eight workflow elements, then the
// XML test factories. Afterwards the object only keeps the test factories alive.
#pragma once

#include <NxCore/plugin/Plugin.h>

#include <QString>

namespace Nx {

// Name of the data path of the reference database, and id of the elements' database attribute.
extern const QString DB_PATH_ID;           // "db_path"
// The default reference database, relative to the suite's data folder.
extern const QString DEFAULT_DB_FILE;      // "snp_scripts/human_hg19_db.s3db"

class VariantImpactPlugin : public Plugin {
    Q_OBJECT
public:
    VariantImpactPlugin();
};

}  // namespace Nx

NX_PLUGIN_EXPORT Nx::Plugin* nolix_plugin_init();

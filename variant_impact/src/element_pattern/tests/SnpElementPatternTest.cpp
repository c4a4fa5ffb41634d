// The shared parts of the variant-impact elements: port types, the "db_path" default from the
// data path registry, and the prompter sentences with their red "unset" markers.
#include "../SnpElementPattern.h"

#include <NxCore/datapath/NxDataPathRegistry.h>
#include <NxDesigner/delegates/DelegateEditor.h>
#include <NxDesigner/delegates/URLDelegate.h>
#include <NxDesigner/prompter/PrompterBase.h>
#include <NxLang/base/BasePorts.h>
#include <NxLang/base/BaseSlots.h>
#include <NxLang/datatype/BaseTypes.h>
#include <NxLang/model/Actor.h>
#include <NxLang/model/Port.h>
#include <NxLang/registry/LocalDomainFactory.h>
#include <NxLang/registry/WorkflowEnv.h>
#include <NxPrivate/core/AppContextImpl.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Nx;
using namespace Nx::LocalWorkflow;

namespace {

class PatternPrompter : public PrompterBase<PatternPrompter> {
public:
    explicit PatternPrompter(Actor* p = nullptr) : PrompterBase<PatternPrompter>(p) {}
    QString composeDescription() override {
        return SnpElementPattern::inputSentence(target) +
               SnpElementPattern::attributeSentence(this, SnpElementPattern::DB_PATH_ATTR_ID,
                                                    tr(" Takes sequences from <u>%1</u> database."));
    }
};

void ensureApp() {
    static int argc = 1;
    static char name[] = "pattern-test";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr) {
        new QCoreApplication(argc, argv);
    }
}

const QString UNSET = "<font color='red'>unset</font>";

ActorPrototype* patternElement(const QString& id) {
    if (ActorPrototype* p = WorkflowEnv::getProtoRegistry()->getProto(id)) {
        return p;
    }
    QMap<QString, PropertyDelegate*> delegates;
    delegates[SnpElementPattern::DB_PATH_ATTR_ID] = SnpElementPattern::createDbPathDelegate();
    return SnpElementPattern::registerElement(Descriptor(id, id, ""), SnpElementPattern::createPorts(),
                                              {SnpElementPattern::createDbPathAttribute()}, delegates,
                                              new PatternPrompter(), new DomainFactory(id));
}

}  // namespace

TEST(SnpElementPattern, portTypes) {
    QScopedPointer<PortDescriptor> in(SnpElementPattern::createInputPort());
    QScopedPointer<PortDescriptor> out(SnpElementPattern::createOutputPort());
    EXPECT_TRUE(in->isInput());
    EXPECT_TRUE(out->isOutput());
    EXPECT_EQ(in->getType()->getId(), "in.variations");
    EXPECT_EQ(out->getType()->getId(), "out.variations");
    ASSERT_EQ(in->getType()->getAllDescriptors().size(), 1);
    EXPECT_EQ(in->getType()->getAllDescriptors().first(), BaseSlots::VARIATION_TRACK_SLOT());
    EXPECT_EQ(in->getType()->getDatatypeByDescriptor(BaseSlots::VARIATION_TRACK_SLOT()), BaseTypes::VARIATION_TRACK_TYPE());
    EXPECT_TRUE(out->getType()->getAllDescriptors().isEmpty());
    const QList<PortDescriptor*> noOutput = SnpElementPattern::createPorts(false);
    EXPECT_EQ(noOutput.size(), 1);
    qDeleteAll(noOutput);
}

TEST(SnpElementPattern, dbPathDefaultFollowsTheDataPath) {
    ensureApp();
    AppContextImpl* ctx = AppContextImpl::getApplicationContext();
    NxDataPathRegistry* reg = AppContext::getDataPathRegistry();
    ASSERT_NE(reg, nullptr);
    reg->unregisterEntry("db_path");
    EXPECT_TRUE(SnpElementPattern::defaultDbPath().isEmpty());

    QTemporaryDir dir;
    const QString file = dir.filePath("ref.s3db");
    ASSERT_TRUE(reg->registerEntry(new NxDataPath("db_path", file)));
    // A file that is not there is no default: the user would only meet it as an error later.
    EXPECT_TRUE(SnpElementPattern::defaultDbPath().isEmpty());
    QFile(file).open(QIODevice::WriteOnly);
    EXPECT_EQ(SnpElementPattern::defaultDbPath(), file);
    QScopedPointer<Attribute> a(SnpElementPattern::createDbPathAttribute());
    EXPECT_EQ(a->getAttributePureValue().toString(), file);
    EXPECT_TRUE(a->isRequiredAttribute());
    EXPECT_EQ(a->getDocumentation(), "Path to SNP database.");

    // A data path whose folder does not exist is not valid: no default.
    reg->unregisterEntry("db_path");
    ASSERT_TRUE(reg->registerEntry(new NxDataPath("db_path", dir.filePath("missing/ref.s3db"))));
    EXPECT_TRUE(SnpElementPattern::defaultDbPath().isEmpty());
    reg->unregisterEntry("db_path");

    // Without a registry at all, the default is empty too.
    ctx->setDataPathRegistry(nullptr);
    EXPECT_TRUE(SnpElementPattern::defaultDbPath().isEmpty());
    ctx->setDataPathRegistry(reg);
}

TEST(SnpElementPattern, prompterShowsUnsetUntilBoundAndSet) {
    ensureApp();
    AppContextImpl::getApplicationContext()->getDataPathRegistry()->unregisterEntry("db_path");
    ActorPrototype* proto = patternElement("pattern-test-el");
    ASSERT_NE(proto, nullptr);
    auto* urlDelegate = qobject_cast<URLDelegate*>(proto->getEditor()->getDelegate("db_path"));
    ASSERT_NE(urlDelegate, nullptr);
    EXPECT_FALSE(urlDelegate->isOutputUrl());

    QScopedPointer<Actor> actor(proto->createInstance("el"));
    ASSERT_NE(actor->getDescription(), nullptr);
    EXPECT_EQ(actor->getDescription()->getHtml(),
              "Uses variations from <u>" + UNSET + "</u> as input. Takes sequences from <u>" + UNSET + "</u> database.");

    actor->setParameter("db_path", "/data/ref.s3db");
    EXPECT_EQ(actor->getDescription()->getHtml(),
              "Uses variations from <u>" + UNSET + "</u> as input. Takes sequences from <u><a href=\"param:db_path\">/data/ref.s3db</a></u> database.");

    // Binding the input to an element that carries the track slot names it as the producer.
    QMap<Descriptor, DataTypePtr> slotMap;
    slotMap[BaseSlots::VARIATION_TRACK_SLOT()] = BaseTypes::VARIATION_TRACK_TYPE();
    IntegralBusActorPrototype readerProto(
        Descriptor("reader"),
        {new PortDescriptor(Descriptor("out"), DataTypePtr(new MapDataType(Descriptor("m"), slotMap)), false)});
    QScopedPointer<Actor> reader(readerProto.createInstance("read"));
    reader->setLabel("Read VCF");
    reader->getPort("out")->addLink(actor->getPort(BasePorts::IN_VARIATION_TRACK_PORT_ID()));
    EXPECT_TRUE(actor->getDescription()->getHtml().startsWith("Uses variations from <u>Read VCF</u> as input."))
        << actor->getDescription()->getHtml().toStdString();

    // An element fed through another element's slotless output still names the first reader.
    QScopedPointer<Actor> next(proto->createInstance("next"));
    actor->getPort(BasePorts::OUT_VARIATION_TRACK_PORT_ID())->addLink(next->getPort(BasePorts::IN_VARIATION_TRACK_PORT_ID()));
    EXPECT_TRUE(next->getDescription()->getHtml().startsWith("Uses variations from <u>Read VCF</u>"));

    // Unbinding brings the marker back.
    reader->getPort("out")->removeLink(actor->getPort(BasePorts::IN_VARIATION_TRACK_PORT_ID()));
    EXPECT_TRUE(actor->getDescription()->getHtml().startsWith("Uses variations from <u>" + UNSET));
}

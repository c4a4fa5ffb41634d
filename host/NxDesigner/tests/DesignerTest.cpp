// Prompter binding and the delegates a user interface (and the console listing and the loader)
// read: which attributes are files, which are written, which have fixed choices.
#include <NxDesigner/delegates/ComboBoxDelegate.h>
#include <NxDesigner/delegates/DelegateEditor.h>
#include <NxDesigner/delegates/URLDelegate.h>
#include <NxDesigner/prompter/PrompterBase.h>
#include <NxLang/datatype/BaseTypes.h>
#include <NxLang/model/ActorPrototype.h>
#include <NxLang/util/RFSUtils.h>

#include <QPointer>
#include <gtest/gtest.h>

using namespace Nx;

namespace {

// Counts its recomputations and shows the label and the "out" attribute.
class CountingPrompter : public PrompterBase<CountingPrompter> {
public:
    explicit CountingPrompter(Actor* p = nullptr) : PrompterBase<CountingPrompter>(p) {}
    QString composeDescription() override {
        calls++;
        return QString("%1 writes %2").arg(target->getLabel(), getHyperlink("out", getURL("out")));
    }
    int calls = 0;
};

ActorPrototype* makeProto() {
    QMap<QString, PropertyDelegate*> delegates;
    delegates["in"] = new URLDelegate("", "", true, false, false);
    delegates["out"] = new URLDelegate("", "", false, false, true);
    delegates["mode"] = new ComboBoxDelegate({{"Fast", 0}, {"Careful", 1}});
    auto* proto = new IntegralBusActorPrototype(
        Descriptor("el"), {new PortDescriptor(Descriptor("p-in"), DataTypePtr(), true)},
        {new Attribute(Descriptor("in"), BaseTypes::STRING_TYPE()), new Attribute(Descriptor("out"), BaseTypes::STRING_TYPE()),
         new Attribute(Descriptor("mode"), BaseTypes::NUM_TYPE(), false, 1), new Attribute(Descriptor("plain"), BaseTypes::STRING_TYPE())});
    proto->setPrompter(new CountingPrompter());
    proto->setEditor(new DelegateEditor(delegates));
    return proto;
}

}  // namespace

TEST(Designer, prompterFollowsLabelAttributesAndLinks) {
    QScopedPointer<ActorPrototype> proto(makeProto());
    QScopedPointer<Actor> a(proto->createInstance("writer"));
    auto* doc = dynamic_cast<CountingPrompter*>(a->getDescription());
    ASSERT_NE(doc, nullptr);
    EXPECT_TRUE(doc->isListeningInputs());
    EXPECT_EQ(doc->getHtml(), "writer writes ");  // empty value: no link at all
    const int before = doc->calls;

    a->setLabel("Writer");
    a->setParameter("out", "/r/a&b.tsv");
    EXPECT_EQ(doc->getHtml(), "Writer writes <a href=\"param:out\">/r/a&amp;b.tsv</a>");

    QScopedPointer<Actor> other(proto->createInstance("other"));
    IntegralBusActorPrototype src(Descriptor("src"), {new PortDescriptor(Descriptor("o"), DataTypePtr(), false)});
    QScopedPointer<Actor> s(src.createInstance("s"));
    s->getPort("o")->addLink(a->getPort("p-in"));
    EXPECT_EQ(doc->calls, before + 3);  // label, attribute, link
    // The prototype's own prompter is bound to no actor and is never the actor's document.
    EXPECT_NE(static_cast<void*>(proto->getPrompter()), static_cast<void*>(doc));
}

TEST(Designer, delegatesTellFilesOutputsAndChoices) {
    QScopedPointer<ActorPrototype> proto(makeProto());
    QScopedPointer<Actor> a(proto->createInstance("x"));
    EXPECT_TRUE(RFSUtils::isUrlAttribute(a->getParameter("in"), a.data()));
    EXPECT_FALSE(RFSUtils::isOutUrlAttribute(a->getParameter("in"), a.data()));
    EXPECT_TRUE(RFSUtils::isOutUrlAttribute(a->getParameter("out"), a.data()));
    EXPECT_FALSE(RFSUtils::isUrlAttribute(a->getParameter("plain"), a.data()));
    EXPECT_TRUE(proto->getEditor()->getDelegate("in")->isMultipleUrl());
    auto* combo = qobject_cast<ComboBoxDelegate*>(proto->getEditor()->getDelegate("mode"));
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->getDisplayText(1), "Careful");
    EXPECT_TRUE(combo->getDisplayText(7).isEmpty());
}

TEST(Designer, editorOwnsAndReplacesItsDelegates) {
    auto* ed = new DelegateEditor();
    QPointer<PropertyDelegate> first = new URLDelegate("", "", false, false, false);
    ed->addDelegate(first, "a");
    ed->addDelegate(new ComboBoxDelegate({}), "a");
    EXPECT_TRUE(first.isNull());
    QPointer<PropertyDelegate> second = ed->getDelegate("a");
    delete ed;
    EXPECT_TRUE(second.isNull());
}

// Finding forms and their components by name.
#include <gtest/gtest.h>

#include <QObject>

#include "runtime/components.h"

using namespace karvell;

namespace {
QObject* Named(const char* name, QObject* parent) {
    auto* o = new QObject(parent);
    o->setObjectName(QString::fromUtf8(name));
    return o;
}
} // namespace

TEST(Components, FormsAndComponentsAreFoundIgnoringCase) {
    auto form = std::make_unique<QObject>();
    form->setObjectName(QStringLiteral("DataModule1"));
    QObject* panel = Named("Panel1", form.get());
    QObject* nested = Named("ADOQueryMain", panel);
    QObject* direct = Named("Query2", form.get());
    auto other = std::make_unique<QObject>();
    other->setObjectName(QStringLiteral("MainForm"));
    QObject* foreign = Named("ForeignQuery", other.get());

    Components::RegisterForm(form.get());
    Components::RegisterForm(other.get());
    Components::RegisterForm(form.get()); // registering twice changes nothing

    EXPECT_EQ(Components::FindForm(QStringLiteral("datamodule1")), form.get());
    EXPECT_EQ(Components::FindForm(QStringLiteral("MAINFORM")), other.get());
    EXPECT_EQ(Components::FindForm(QStringLiteral("Panel1")), nullptr); // not a form
    EXPECT_EQ(Components::FindForm(QString()), nullptr);

    EXPECT_EQ(Components::FindComponent(form.get(), QStringLiteral("adoquerymain")), nested);
    EXPECT_EQ(Components::FindComponent(form.get(), QStringLiteral("QUERY2")), direct);
    EXPECT_EQ(Components::FindComponent(form.get(), QStringLiteral("ForeignQuery")), nullptr);
    EXPECT_EQ(Components::FindComponent(other.get(), QStringLiteral("foreignquery")), foreign);
    EXPECT_EQ(Components::FindComponent(form.get(), QStringLiteral("DataModule1")), nullptr);
    EXPECT_EQ(Components::FindComponent(form.get(), QStringLiteral(" Query2")), nullptr);
    EXPECT_EQ(Components::FindComponent(nullptr, QStringLiteral("Query2")), nullptr);

    // A destroyed form leaves the registry by itself; an unregistered one is no longer found.
    form.reset();
    EXPECT_EQ(Components::FindForm(QStringLiteral("DataModule1")), nullptr);
    Components::UnregisterForm(other.get());
    EXPECT_EQ(Components::FindForm(QStringLiteral("MainForm")), nullptr);
}

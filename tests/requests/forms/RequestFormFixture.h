#pragma once

#include "data/forms/FormsFixture.h"

#include "requests/forms/TFped.h"

#include "support/Controls.h"
#include "ui/DbNavigator.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

namespace qal::test {

// The demo program folder with the official request form on screen.
struct RequestFormFixture : FormsFixture
{
    void SetUp() override
    {
        FormsFixture::SetUp();
        form = std::make_unique<TFped>(*dm);
        form->show();
    }
    void TearDown() override
    {
        form.reset();
        FormsFixture::TearDown();
    }

    dbase::Table &ped() { return dm->ped; }

    // As the operator does: clicks the navigator button.
    void press(ui::DbNavigator::Button b) { QTest::mouseClick(child<ui::DbNavigator>(form, "nvPed")->button(b), Qt::LeftButton); }

    // Replaces an edit's text key by key, as typed.
    static void type(QLineEdit *edit, const QString &text)
    {
        edit->setFocus();
        edit->selectAll();
        if (text.isEmpty())
            QTest::keyClick(edit, Qt::Key_Delete);
        typeText(edit, text);
    }

    // Chooses the row showing text, as a click in the opened list does.
    static void choose(QComboBox *combo, const QString &text)
    {
        combo->showPopup();
        combo->hidePopup();
        const int row = combo->findText(text);
        ASSERT_GE(row, 0) << text.toStdString() << " is not offered";
        combo->setCurrentIndex(row);
        emit combo->activated(row);
    }

    // Each modal window the form opens is shown and handed to whileShown, as the operator
    // would meet it, then closed if it is still open.
    template <typename Window>
    void driveModalWindows(std::function<void(Window &)> &whileShown)
    {
        form->mostrarModal = [&whileShown](QDialog &d) {
            d.show();
            if (whileShown)
                whileShown(static_cast<Window &>(d));
            if (d.isVisible())
                d.reject();
            return d.result();
        };
    }

    // Stores a complete official request without the form; extra values go in last.
    QVariant storeRequest(const QVariantMap &extra = {})
    {
        dbase::Table &t = ped();
        t.append();
        const QVariantMap values {{"C_ORG", 1},          {"X_DOM", "TALCAHUANO 550"}, {"X_LOC", "CABA"},
                                  {"C_PROV", 5},         {"C_NAC", 1},                {"C_SEXO", "M"},
                                  {"C_CODPOS", 1013},    {"X_APE1", "GOMEZ"},         {"X_NOM1", "JUAN"},
                                  {"C_PRIOR", 1},        {"C_TDEL", 201}};
        for (auto it = values.begin(); it != values.end(); ++it)
            t.setValue(it.key(), it.value());
        for (auto it = extra.begin(); it != extra.end(); ++it)
            t.setValue(it.key(), it.value());
        dm->grabacionAutorizada = true;
        t.post();
        return t.value(QStringLiteral("C_PED"));
    }

    std::unique_ptr<TFped> form;
};

} // namespace qal::test

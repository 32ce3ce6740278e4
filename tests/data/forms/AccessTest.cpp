#include "FormsFixture.h"

#include "data/PasswordProtection.h"
#include "data/forms/TCambClave.h"
#include "data/forms/TFAdminUsu.h"
#include "data/forms/TPedirClave.h"
#include "support/Controls.h"
#include "ui/DbGrid.h"
#include "ui/DbNavigator.h"

#include <QTest>
#include <QToolButton>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using qal::test::child;

using namespace qal;

namespace {

struct LogIn : test::FormsFixture
{
    void SetUp() override
    {
        test::FormsFixture::SetUp();
        dialog = std::make_unique<TPedirClave>(dm->usu);
        dialog->prepare(QStringLiteral("QAL Regional"));
        dialog->show();
    }
    void TearDown() override
    {
        dialog.reset();
        test::FormsFixture::TearDown();
    }
    void attempt(const QString &user, const QString &password)
    {
        child<QLineEdit>(dialog, "edUsuario")->clear();
        child<QLineEdit>(dialog, "edContrasena")->clear();
        QTest::keyClicks(child<QLineEdit>(dialog, "edUsuario"), user);
        QTest::keyClicks(child<QLineEdit>(dialog, "edContrasena"), password);
        QTest::mouseClick(child<QPushButton>(dialog, "btAceptar"), Qt::LeftButton);
    }
    std::unique_ptr<TPedirClave> dialog;
};

} // namespace

TEST_F(LogIn, AUserWithoutPasswordEntersWithTheNameAndIsAdvisedToChangeIt)
{
    EXPECT_EQ(dialog->windowTitle(), "Control de Acceso");
    EXPECT_EQ(child<QLabel>(dialog, "Sistema")->text(), "QAL Regional");
    EXPECT_EQ(child<QLineEdit>(dialog, "edContrasena")->echoMode(), QLineEdit::Password);
    attempt(QStringLiteral("ADMIN"), QStringLiteral("admin"));
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialogs.texts(), QStringList({"Para mayor seguridad, conviene que cambie su contraseña"}));
    EXPECT_EQ(dialogs.titles(), QStringList({"Consejo"}));
    EXPECT_EQ(Operador::actual().usuario, "admin") << "typed in capitals, taken in lower case";
    EXPECT_EQ(Operador::actual().clave, "admin");
}

TEST_F(LogIn, AProtectedPasswordIsCheckedWithoutAdvice)
{
    addUser(QStringLiteral("juan"), ProtegerClave(QStringLiteral("s3creto")));
    attempt(QStringLiteral("juan"), QStringLiteral("s3creto"));
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(dialogs.texts().isEmpty());
    EXPECT_EQ(Operador::actual().clave, "s3creto");
}

TEST_F(LogIn, TwoWarningsThenTheThirdFailureClosesTheDialog)
{
    addUser(QStringLiteral("juan"), ProtegerClave(QStringLiteral("s3creto")));
    attempt(QStringLiteral("juan"), QStringLiteral("otra"));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(Operador::actual().usuario, "juan");
    EXPECT_TRUE(Operador::actual().clave.isEmpty());
    attempt(QStringLiteral("nadie"), QStringLiteral("nadie"));
    EXPECT_TRUE(dialog->isVisible());
    attempt(QStringLiteral("juan"), QString());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(dialogs.texts(), QStringList({"Usuario y/o contraseña incorrecta", "Usuario y/o contraseña incorrecta",
                                            "Intento de ingreso no autorizado"}));
    EXPECT_EQ(dialogs.titles(), QStringList({"Advertencia", "Advertencia", "Advertencia"}));

    dialog->prepare(QStringLiteral("QAL Regional"));
    EXPECT_EQ(dialog->intentos(), 0) << "each showing starts counting anew";
    EXPECT_TRUE(child<QLineEdit>(dialog, "edUsuario")->text().isEmpty());
}

TEST_F(LogIn, AStoredPasswordThatDoesNotUnscrambleToTextLetsNobodyIn)
{
    const QString garbage = ProtegerClave(QStringLiteral("ab\tc\x01"));
    addUser(QStringLiteral("roto"), garbage);
    attempt(QStringLiteral("roto"), QStringLiteral("ab"));
    attempt(QStringLiteral("roto"), QStringLiteral("roto"));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialogs.texts().size(), 2);
}

TEST_F(LogIn, APasswordWhoseProtectedFormEndsInBlanksStillWorks)
{
    // The table drops a character field's trailing blanks.
    QString password;
    for (int i = 0; i < 100000 && password.isEmpty(); ++i) {
        const QString candidate = QStringLiteral("p%1").arg(i);
        if (ProtegerClave(candidate).endsWith(QLatin1Char(' ')))
            password = candidate;
    }
    ASSERT_FALSE(password.isEmpty());
    addUser(QStringLiteral("eva"), QStringLiteral("x"));
    ASSERT_TRUE(grabarClave(dm->usu, QStringLiteral("eva"), password));
    EXPECT_LT(storedClave(QStringLiteral("eva")).toString().size(), password.size());
    attempt(QStringLiteral("eva"), password);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(Operador::actual().clave, password);
}

TEST_F(LogIn, CancelClosesWithFailure)
{
    QTest::mouseClick(child<QPushButton>(dialog, "btCancelar"), Qt::LeftButton);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_TRUE(dialogs.texts().isEmpty());
}

namespace {

struct ChangePassword : test::FormsFixture
{
    void SetUp() override
    {
        test::FormsFixture::SetUp();
        addUser(QStringLiteral("juan"), ProtegerClave(QStringLiteral("vieja1")));
        dm->usu.first(); // "admin": the table's row is another user's
        Operador::actual() = {QStringLiteral("juan"), QStringLiteral("vieja1")};
        dialog = std::make_unique<TCambClave>(dm->usu);
        dialog->show();
    }
    void TearDown() override
    {
        dialog.reset();
        test::FormsFixture::TearDown();
    }
    void fill(const QString &actual, const QString &nueva, const QString &confirmar)
    {
        for (QLineEdit *e : {child<QLineEdit>(dialog, "edActual"), child<QLineEdit>(dialog, "edNueva"), child<QLineEdit>(dialog, "edConfirmar")})
            e->clear();
        QTest::keyClicks(child<QLineEdit>(dialog, "edActual"), actual);
        QTest::keyClicks(child<QLineEdit>(dialog, "edNueva"), nueva);
        QTest::keyClicks(child<QLineEdit>(dialog, "edConfirmar"), confirmar);
        QTest::mouseClick(child<QPushButton>(dialog, "btCambiar"), Qt::LeftButton);
    }
    std::unique_ptr<TCambClave> dialog;
};

} // namespace

TEST_F(ChangePassword, FourRefusalsInOrderThenTheChange)
{
    EXPECT_EQ(dialog->windowTitle(), "Cambiar Contraseña");
    fill(QStringLiteral("otra"), QStringLiteral("nueva1"), QStringLiteral("nueva1"));
    fill(QStringLiteral("vieja1"), QStringLiteral("vieja1"), QStringLiteral("vieja1"));
    fill(QStringLiteral("vieja1"), QString(), QString());
    fill(QStringLiteral("vieja1"), QStringLiteral("nueva1"), QStringLiteral("nueva2"));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialogs.texts(), QStringList({"La contraseña actual es incorrecta",
                                            "La contraseña actual y la nueva son iguales",
                                            "La contraseña no puede ser vacía", "Las nuevas contraseñas no coinciden"}));
    EXPECT_EQ(dialogs.titles(), QStringList(4, QStringLiteral("Error")));
    EXPECT_EQ(storedClave(QStringLiteral("juan")).toString(), ProtegerClave(QStringLiteral("vieja1")));

    dialogs.clear();
    fill(QStringLiteral("vieja1"), QStringLiteral("nueva1"), QStringLiteral("nueva1"));
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialogs.texts(), QStringList({"Se cambió la contraseña exitosamente"}));
    EXPECT_EQ(dialogs.titles(), QStringList({"Información"}));
    EXPECT_EQ(Operador::actual().clave, "nueva1");
    EXPECT_EQ(storedClave(QStringLiteral("juan")).toString(), ProtegerClave(QStringLiteral("nueva1")));
    EXPECT_EQ(storedClave(QStringLiteral("admin")), QVariant()) << "the other user is untouched";

    ControlAcceso acceso(dm->usu);
    EXPECT_EQ(acceso.ingresar(QStringLiteral("juan"), QStringLiteral("nueva1")), ControlAcceso::Resultado::Aceptado);
}

TEST_F(ChangePassword, AnOperatorNoLongerInTheTableIsReported)
{
    Operador::actual() = {QStringLiteral("borrado"), QStringLiteral("clave1")};
    fill(QStringLiteral("clave1"), QStringLiteral("clave2"), QStringLiteral("clave2"));
    EXPECT_EQ(dialogs.texts(), QStringList({"Error: usuario no encontrado"}));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(Operador::actual().clave, "clave1");
}

TEST_F(ChangePassword, TheFieldsTakeOnlyLowerCaseLettersAndDigits)
{
    QTest::keyClicks(child<QLineEdit>(dialog, "edNueva"), QStringLiteral("Nueva-Clave 123"));
    EXPECT_EQ(child<QLineEdit>(dialog, "edNueva")->text(), "nuevaclave");
    EXPECT_EQ(child<QLineEdit>(dialog, "edConfirmar")->echoMode(), QLineEdit::Password);
}

namespace {

struct AdminUsers : test::FormsFixture
{
    void SetUp() override
    {
        test::FormsFixture::SetUp();
        addUser(QStringLiteral("juan"), ProtegerClave(QStringLiteral("clave1")));
        window = std::make_unique<TFAdminUsu>(dm->usu);
        window->show();
    }
    void TearDown() override
    {
        window.reset();
        test::FormsFixture::TearDown();
    }
    std::unique_ptr<TFAdminUsu> window;
};

} // namespace

TEST_F(AdminUsers, TheGridHidesThePasswordAndLimpiarClaveClearsItOnConfirmation)
{
    EXPECT_EQ(window->windowTitle(), "Administrar Usuarios");
    const auto *model = child<ui::DbGrid>(window, "DBGrid1")->model();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_TRUE(child<ui::DbGrid>(window, "DBGrid1")->isColumnHidden(2));
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "Usuario");
    EXPECT_EQ(child<ui::DbNavigator>(window, "DBNavigator1")->findChild<QToolButton *>("nbInsert")->toolTip(), "Agregar un registro");

    child<ui::DbGrid>(window, "DBGrid1")->setCurrentIndex(model->index(1, 0));
    ASSERT_EQ(dm->usu.value("C_LOGIN").toString(), "juan");
    dialogs.answer(DialogButton::No);
    QTest::mouseClick(child<QPushButton>(window, "btLimpiar"), Qt::LeftButton);
    EXPECT_FALSE(storedClave(QStringLiteral("juan")).isNull());
    dialogs.answer(DialogButton::Yes);
    QTest::mouseClick(child<QPushButton>(window, "btLimpiar"), Qt::LeftButton);
    EXPECT_TRUE(storedClave(QStringLiteral("juan")).isNull());
    EXPECT_EQ(dialogs.texts(), QStringList(2, QStringLiteral("¿Está seguro que desea limpiar\rla contraseña de este usuario?")));
    EXPECT_EQ(dialogs.titles().value(0), "Confirmar");

    ControlAcceso acceso(dm->usu);
    EXPECT_EQ(acceso.ingresar(QStringLiteral("juan"), QStringLiteral("juan")), ControlAcceso::Resultado::Aceptado);
}

TEST_F(AdminUsers, ANewUserTypedInCapitalsIsStoredInLowerCase)
{
    auto *grid = child<ui::DbGrid>(window, "DBGrid1");
    child<ui::DbNavigator>(window, "DBNavigator1")->click(ui::DbNavigator::Button::Insert);
    const int row = grid->model()->rowCount() - 1;
    ASSERT_TRUE(grid->model()->setData(grid->model()->index(row, 0), QStringLiteral("Maria")));
    ASSERT_TRUE(grid->model()->setData(grid->model()->index(row, 1), QStringLiteral("María Pérez")));
    child<ui::DbNavigator>(window, "DBNavigator1")->click(ui::DbNavigator::Button::Post);
    EXPECT_EQ(dm->usu.lookup("C_LOGIN", QStringLiteral("maria"), "X_USU").toString(), QStringLiteral("María Pérez"));
    ControlAcceso acceso(dm->usu);
    EXPECT_EQ(acceso.ingresar(QStringLiteral("maria"), QStringLiteral("maria")), ControlAcceso::Resultado::Aceptado);
}

TEST_F(AdminUsers, LimpiarClaveOnAnEmptyTableAsksNothing)
{
    dialogs.answer(DialogButton::Yes);
    dialogs.answer(DialogButton::Yes);
    for (int i = 0; i < 2; ++i)
        child<ui::DbNavigator>(window, "DBNavigator1")->click(ui::DbNavigator::Button::Delete);
    dialogs.clear();
    ASSERT_TRUE(dm->usu.isEmpty());
    QTest::mouseClick(child<QPushButton>(window, "btLimpiar"), Qt::LeftButton);
    EXPECT_TRUE(dialogs.texts().isEmpty());
}

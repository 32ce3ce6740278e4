// The inbox window on the rig's mailbox, driven as an operator would.
#include "exchange/IncomingFixture.h"

#include "exchange/forms/TFInboxMail.h"
#include "support/Controls.h"


#include <QDir>
#include <QTest>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTextBrowser>
#include <QToolButton>

using qal::test::child;

using namespace qal;
using namespace qal::exchange;
using namespace qal::test;

namespace {

using M = MensajesCentral;

struct InboxWindow : IncomingFixture
{
    void SetUp() override
    {
        IncomingFixture::SetUp();
        if (IsSkipped())
            return;
        window = std::make_unique<TFInboxMail>(*smime);
        window->verTexto = [this](const QString &file, const QString &nombre) {
            vistos << nombre;
            textos << QString::fromLatin1(readFile(file));
            return true;
        };
        window->verImagen = [this](const QString &file, const QString &nombre) {
            vistos << nombre;
            imagenes << readFile(file);
            return true;
        };
        window->show();
    }
    void TearDown() override
    {
        window.reset();
        IncomingFixture::TearDown();
    }
    void chequear()
    {
        QTest::mouseClick(child<QToolButton>(window, "tbChequear"), Qt::LeftButton);
    }
    // Clicks the row of the message with that index, as the operator picks it.
    void select(int index)
    {
        auto *grid = child<QTableWidget>(window, "grdMensajes");
        for (int row = 0; row < grid->rowCount(); ++row) {
            QTableWidgetItem *item = grid->item(row, TFInboxMail::Asunto);
            if (grid->item(row, TFInboxMail::Nro)->data(Qt::DisplayRole).toInt() == index) {
                grid->scrollToItem(item);
                QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(item).center());
            }
        }
        ASSERT_EQ(window->indiceSeleccionado(), index);
    }
    QString subjectOfRow(int row) const
    {
        return child<QTableWidget>(window, "grdMensajes")->item(row, TFInboxMail::Asunto)->text();
    }
    // The program folder's files other than those a new folder has.
    QStringList extraFiles(const QStringList &before) const
    {
        QStringList now = QDir(dir.path()).entryList(QDir::Files);
        for (const QString &f : before)
            now.removeAll(f);
        return now;
    }

    std::unique_ptr<TFInboxMail> window;
    QStringList vistos, textos;
    QList<QByteArray> imagenes;
};

TEST_F(InboxWindow, TheListedMessagesAreProcessedAndForwardedOneByOne)
{
    const qlonglong n = request();
    rig.inject(M::confirmacion(n, kReg, 4711));
    rig.inject(M::desconocido(QStringLiteral("Saludos")));
    chequear();
    EXPECT_EQ(window->estado(), QStringLiteral("Total de mensajes en el servidor: 2"));
    ASSERT_EQ(child<QTableWidget>(window, "grdMensajes")->rowCount(), 2);
    EXPECT_EQ(child<QTableWidget>(window, "grdMensajes")->horizontalHeaderItem(TFInboxMail::Fecha)->text(), QStringLiteral("Fecha"));
    EXPECT_EQ(subjectOfRow(0), QStringLiteral("CONFIRMO"));
    EXPECT_EQ(child<QTableWidget>(window, "grdMensajes")->item(0, TFInboxMail::UIDL)->text(), QStringLiteral("n/a"));

    // Sorting by subject puts the unknown mail first; the commands follow the row's own index.
    child<QTableWidget>(window, "grdMensajes")->sortItems(TFInboxMail::Asunto, Qt::DescendingOrder);
    EXPECT_EQ(subjectOfRow(0), QStringLiteral("Saludos"));
    child<QTableWidget>(window, "grdMensajes")->setCurrentCell(1, 0);
    ASSERT_EQ(window->indiceSeleccionado(), 1);
    QTest::mouseClick(child<QToolButton>(window, "tbProcesar"), Qt::LeftButton);
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Mensaje procesado exitosamente"));
    EXPECT_EQ(state(false, n), "T");
    EXPECT_EQ(avisos.lineas.size(), 1);
    ASSERT_EQ(child<QTableWidget>(window, "grdMensajes")->rowCount(), 1) << "the list is read again";
    EXPECT_EQ(window->indiceSeleccionado(), 1);

    QTest::mouseClick(child<QToolButton>(window, "tbProcesar"), Qt::LeftButton);
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Mensaje reenviado exitosamente"));
    ASSERT_EQ(rig.sentMessages().size(), 1);
    EXPECT_TRUE(rig.sentMessages()[0].contains("Saludos (REENVIO QAL REGIONAL)"));
    // the rig delivers the forwarded copy back into this mailbox
    ASSERT_EQ(child<QTableWidget>(window, "grdMensajes")->rowCount(), 1);
    EXPECT_EQ(subjectOfRow(0), QStringLiteral("Saludos (REENVIO QAL REGIONAL)"));
    EXPECT_EQ(window->estado(), QStringLiteral("Total de mensajes en el servidor: 1"));

    // An answer for another office stays, and says why.
    rig.clear();
    rig.inject(M::confirmacion(n, kReg + 1, 4711));
    chequear();
    select(1);
    QTest::mouseClick(child<QToolButton>(window, "tbProcesar"), Qt::LeftButton);
    EXPECT_TRUE(window->estado().startsWith(QStringLiteral("Error al procesar: Error RecibirMsgIndyToQal: ")))
        << window->estado().toStdString();
    EXPECT_EQ(count(), 1);
}

TEST_F(InboxWindow, AReadMessageShowsItsBodyAndOpensOnlyTheAttachmentsItMay)
{
    const QStringList before = QDir(dir.path()).entryList(QDir::Files);
    writeFile(QStringLiteral("edit.tif"), "la ficha en curso");
    const QByteArray tif("II*\0 una imagen", 15);
    M::Resp resp;
    resp.c_ped = 5;
    resp.c_reg = kReg;
    resp.n_expe = 1;
    rig.inject(M::mensaje(QStringLiteral("Varios"),
                          {{QStringLiteral("resp.dat"), M::respDat(resp)},
                           {QStringLiteral("../../edit.tif"), tif, "image/tiff"},
                           {QStringLiteral("programa.exe"), "MZ"},
                           {QStringLiteral("largo.txt"), QByteArray(46080, 'x')}},
                          QStringLiteral("<varios@central.test>")));
    chequear();
    select(1);
    QTest::mouseClick(child<QToolButton>(window, "tbObtener"), Qt::LeftButton);
    EXPECT_EQ(child<QLineEdit>(window, "edAsunto")->text(), QStringLiteral("Varios"));
    EXPECT_FALSE(child<QLineEdit>(window, "edDe")->text().isEmpty());
    EXPECT_FALSE(child<QLineEdit>(window, "edFecha")->text().isEmpty());
    EXPECT_FALSE(child<QTextBrowser>(window, "HTMLViewer")->toPlainText().isEmpty());
    EXPECT_TRUE(exists("cuerpo.html"));
    EXPECT_FALSE(child<QGroupBox>(window, "pnlAdjuntos")->isHidden());
    QListWidget *list = child<QListWidget>(window, "lvAdjuntos");
    ASSERT_EQ(list->count(), 4);

    list->setCurrentRow(0);
    QTest::mouseClick(child<QPushButton>(window, "btAbrirAdjunto"), Qt::LeftButton);
    ASSERT_EQ(textos.size(), 1);
    EXPECT_TRUE(textos[0].contains(QStringLiteral("c_ped=5"))) << textos[0].toStdString();

    list->setCurrentRow(1);
    QTest::mouseClick(child<QPushButton>(window, "btAbrirAdjunto"), Qt::LeftButton);
    ASSERT_EQ(imagenes.size(), 1);
    EXPECT_EQ(imagenes[0], tif);
    EXPECT_EQ(readFile(dir.file(QStringLiteral("edit.tif"))), "la ficha en curso")
        << "a viewed attachment never replaces a working file of the same name";

    list->setCurrentRow(2);
    QTest::mouseClick(child<QPushButton>(window, "btAbrirAdjunto"), Qt::LeftButton);
    EXPECT_EQ(dialogs.lastText(),
              QStringLiteral("Desde esta aplicación, solo se pueden visualizar \radjuntos de tipo .dat .txt .tif"));
    list->setCurrentRow(3);
    QTest::mouseClick(child<QPushButton>(window, "btAbrirAdjunto"), Qt::LeftButton);
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("El adjunto es demasiado grande para el Bloc de notas"));
    EXPECT_EQ(vistos, QStringList({QStringLiteral("resp.dat"), QStringLiteral("../../edit.tif")}));
    EXPECT_EQ(extraFiles(before), QStringList({QStringLiteral("cuerpo.html"), QStringLiteral("edit.tif")}))
        << "the copies handed to the viewers are gone";

    // Saving goes where the operator says, under the name proposed without its folders.
    list->setCurrentRow(1);
    const QString target = dir.file(QStringLiteral("guardada.tif"));
    dialogs.answerFile(target);
    QTest::mouseClick(child<QPushButton>(window, "btGuardarAdjunto"), Qt::LeftButton);
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Adjunto guardados en ") + target);
    EXPECT_EQ(readFile(target), tif);
    EXPECT_EQ(count(), 1) << "reading changes nothing on the server";

    // Without the session that read the list, its indices may name other messages.
    smime->dmMail().Disconnect();
    QTest::mouseClick(child<QToolButton>(window, "tbObtener"), Qt::LeftButton);
    EXPECT_EQ(dialogs.lastText(),
              QStringLiteral("Se perdió la conexión con el servidor. \rConsultar nuevamente la bandeja de entrada"));
    EXPECT_EQ(child<QTableWidget>(window, "grdMensajes")->rowCount(), 0);
}

TEST_F(InboxWindow, DeletingAndForwardingActOnlyOnTheMessageTheOperatorSelected)
{
    for (const char *s : {"Uno", "Dos", "Tres"})
        rig.inject(M::desconocido(QString::fromLatin1(s)));
    chequear();
    select(2);
    dialogs.answer(DialogButton::No);
    QTest::mouseClick(child<QToolButton>(window, "tbBorrar"), Qt::LeftButton);
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("¿Está seguro que desea eliminar este mensaje?"));
    EXPECT_EQ(count(), 3);

    chequear();
    select(2);
    dialogs.answer(DialogButton::Yes);
    QTest::mouseClick(child<QToolButton>(window, "tbBorrar"), Qt::LeftButton);
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Mensaje eliminado"));
    ASSERT_EQ(child<QTableWidget>(window, "grdMensajes")->rowCount(), 2);
    EXPECT_EQ(subjectOfRow(0), QStringLiteral("Uno"));
    EXPECT_EQ(subjectOfRow(1), QStringLiteral("Tres"));
    EXPECT_EQ(window->indiceSeleccionado(), 1);

    dialogs.answerInput(QStringLiteral("otra@qal.test"));
    select(2);
    QTest::mouseClick(child<QToolButton>(window, "tbReenviar"), Qt::LeftButton);
    EXPECT_EQ(window->estado(), QStringLiteral("Mensaje re-enviado"));
    ASSERT_EQ(rig.sentMessages().size(), 1);
    EXPECT_TRUE(rig.sentMessages()[0].contains("Tres (REENVIO QAL REGIONAL)"));
    EXPECT_TRUE(rig.sentEnvelopes()[0].contains("otra@qal.test"));
    dialogs.answerInput(std::nullopt);
    QTest::mouseClick(child<QToolButton>(window, "tbReenviar"), Qt::LeftButton);
    EXPECT_EQ(rig.sentMessages().size(), 1) << "a cancelled address forwards nothing";

    // Another session deletes "Uno" after the list was read: row 2 ("Tres") is now message 1
    // on the server and message 2 no longer exists. Nothing is deleted.
    rig.clear();
    for (const char *s : {"Uno", "Tres"})
        rig.inject(M::desconocido(QString::fromLatin1(s)));
    chequear();
    smime->dmMail().Disconnect();
    {
        TdmMail other(*dm);
        QString uidl, error;
        ASSERT_TRUE(other.GetUIDL(1, &uidl, &error)) << error.toStdString();
        ASSERT_TRUE(other.DeleteMail(1, uidl, &error)) << error.toStdString();
    }
    select(2);
    dialogs.answer(DialogButton::Yes);
    QTest::mouseClick(child<QToolButton>(window, "tbBorrar"), Qt::LeftButton);
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("El mensaje seleccionado ya no está en esa posición del servidor. \r"
                                                 "Consultar nuevamente la bandeja de entrada"));
    EXPECT_EQ(count(), 1);
    ASSERT_EQ(child<QTableWidget>(window, "grdMensajes")->rowCount(), 1) << "the list was read again";
    EXPECT_EQ(subjectOfRow(0), QStringLiteral("Tres"));

    QTest::mouseClick(child<QToolButton>(window, "tbDesconectar"), Qt::LeftButton);
    EXPECT_EQ(child<QTableWidget>(window, "grdMensajes")->rowCount(), 0);
    EXPECT_FALSE(smime->dmMail().conectado());
}

} // namespace

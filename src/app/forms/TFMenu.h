#pragma once

#include <QMainWindow>

#include <memory>

namespace Ui {
class TFMenu;
}

namespace qal {

class Tdm;

// The main window: every command opens a screen or starts an operation of the data module.
class TFMenu : public QMainWindow
{
    Q_OBJECT

public:
    explicit TFMenu(QWidget *parent = nullptr);
    ~TFMenu() override;

    // Binds the window to the data module once it exists.
    void setDataModule(Tdm *dm);

    // Puts text in the status bar at once; nothing while the window is hidden.
    void MostrarEstado(const QString &text);

    // Set when another copy of the program is already running.
    bool otraInstancia = false;

    Ui::TFMenu *ui() const { return m_ui.get(); }

    void FormShow();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void connectCommands();
    void btRecibirClick();
    void OrdenamientodeArchivos1Click();
    void PedidospersonalessinenviarClick();
    void Acercade1Click();
    void cbDesRecibirClick();
    void FormClose();

    std::unique_ptr<Ui::TFMenu> m_ui;
    Tdm *m_dm = nullptr;
    bool m_shown = false;
};

// Deletes the working files of the request being edited.
void deleteWorkingFiles(const QStringList &names);

} // namespace qal

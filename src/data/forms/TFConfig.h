#pragma once

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class TFConfig;
}

namespace qal {

class Tdm;
namespace ui {
class DataSource;
}

// "Configuración de QAL Regional": the office's settings of the parameter table, the proxy
// with its protected password, and the table of central web sites.
class TFConfig : public QDialog
{
    Q_OBJECT

public:
    explicit TFConfig(Tdm &dm, QWidget *parent = nullptr);
    ~TFConfig() override;

    // Fills every control from its key (run each time the window is shown).
    void FormShow();

    // The central-state screen takes the new proxy here (host, port, user, password).
    std::function<void(const QString &, const QString &, const QString &, const QString &)> entregarProxy;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void done(int result) override;

private:
    // Handlers of the form's controls, reached through them.
    void btAceptarClick();

    std::unique_ptr<Ui::TFConfig> m_ui;
    Tdm &m_dm;
    ui::DataSource *m_dsUrl;
};

} // namespace qal

#pragma once

#include "biometrics/FingerQuality.h"

#include <QLabel>
#include <QWidget>

#include <memory>

namespace Ui {
class TFCalidad;
}

namespace qal {

// Quality summary of a ten-print set: one line per finger and the average, shown on top
// of the capture session without blocking it.
class TFCalidad : public QWidget
{
    Q_OBJECT

public:
    explicit TFCalidad(QWidget *parent = nullptr);
    ~TFCalidad() override;

    // Lists the records as they stand (nothing is rescored) and returns the average.
    int ShowQuality(const QString &title, const TenQualityRecords &records);

    QString memoText() const;
    QString statusText() const;
    int progress() const;

private:
    std::unique_ptr<Ui::TFCalidad> ui;
    QLabel *m_panel = nullptr;
};

} // namespace qal

#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QList>
#include <QPixmap>

class QPagedPaintDevice;

namespace qal {

// Shows one page of a TIFF or BMP file at a time, scaled by a zoom mode, with page
// navigation, quarter-turn rotation of the shown page and printing of a page range.
class ImageView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    enum class ZoomMode { FitWindow, FitWidth, FitHeight, Free };
    enum class PrintFit {
        FitPage,  // each page as large as the paper allows, keeping its proportions
        PageWidth // the paper's width; height = image height * paper width / image width
    };

    static constexpr int kMinZoom = 2;
    static constexpr int kMaxZoom = 200;

    explicit ImageView(QWidget *parent = nullptr);

    // Opens a file and shows its page 1; false (and an empty view) when it cannot be read.
    bool openFile(const QString &path, QString *error = nullptr);
    // Shows an image that has no file (a scanned page).
    void showImage(const QImage &image);
    void clear();

    QString fileName() const { return m_path; }
    bool isEmpty() const { return m_page.isNull(); }
    int pageCount() const { return m_pageCount; }
    int currentPage() const { return m_pageNumber; } // 1-based; 0 when empty
    // Shows page `page`, clamped to 1..pageCount; false when empty or unreadable.
    bool setPage(int page);
    QImage currentImage() const { return m_page; }

    ZoomMode zoomMode() const { return m_mode; }
    void setZoomMode(ZoomMode mode);
    // The free zoom percentage, 2..200; switches to the free mode.
    int zoom() const { return m_zoom; }
    void setZoom(int percent);
    // The scale the page is drawn at, in percent.
    double scalePercent() const { return m_scale * 100.0; }

    // Quarter turns of the shown page, kept until savePendingEdits() writes them.
    void rotateRight();
    void rotateLeft();
    bool hasPendingEdits() const;
    bool savePendingEdits(QString *error = nullptr);

    // Renders pages start..end (1-based, clamped) of the file, one per sheet.
    // Returns the number of pages rendered.
    int print(QPagedPaintDevice *device, int start, int end, PrintFit fit = PrintFit::FitPage) const;

signals:
    void pageChanged(int page, int pageCount);
    void scaleChanged(double percent);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QImage pageImage(int page) const;
    void updateScale();
    void updateScrollBars();

    QString m_path;
    QImage m_page;
    QImage m_single; // showImage()
    int m_pageCount = 0;
    int m_pageNumber = 0;
    QList<int> m_turns; // pending quarter turns per page
    ZoomMode m_mode = ZoomMode::FitWidth;
    int m_zoom = 100;
    double m_scale = 1.0;
    QPixmap m_scaled;
};

} // namespace qal

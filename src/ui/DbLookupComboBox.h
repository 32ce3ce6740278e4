#pragma once

#include <QComboBox>
#include <QPointer>

namespace qal::dbase {
class Table;
}

namespace qal::ui {

class DataSource;

// A list bound to one key field of a data source's record: it shows the list field of the
// list table's record with that key and offers the list table's rows, in its index order.
// Choosing a row writes its key into the record (starting an edit when the source allows
// it) and moves the list table to that row. Loading never emits edited().
class DbLookupComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit DbLookupComboBox(QWidget *parent = nullptr);

    void bind(DataSource *source, const QString &field);
    void setList(dbase::Table *listTable, const QString &keyField, const QString &listField);
    const QString &field() const { return m_field; }

    // Shows the value and refuses the operator's changes (a click still emits clicked()).
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool isReadOnly() const { return m_readOnly; }
    // False: the list never drops down (it only shows the value).
    bool dropDownRows = true;

    void showPopup() override;

    // The text on the closed box: the current row's, the placeholder without one.
    QString shownText() const;

signals:
    // The operator chose a row (after its key reached the record).
    void edited();
    // The operator pressed the mouse on the control.
    void clicked();

protected:
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    void load();
    void loadRows();
    int rowOf(const QVariant &key) const;
    void operatorChose(int index);

    QPointer<DataSource> m_source;
    QString m_field;
    dbase::Table *m_list = nullptr;
    QString m_keyField;
    QString m_listField;
    bool m_readOnly = false;
    bool m_loading = false;
};

} // namespace qal::ui

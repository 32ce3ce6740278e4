#include "DbLookupComboBox.h"

#include "DataSource.h"
#include "DbText.h"
#include "Logging.h"

#include "dbase/Query.h"
#include "dbase/Table.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QToolTip>
#include <QWheelEvent>

namespace qal::ui {
namespace {

// Keys compare as numbers when both are numbers (a key of an N field may be read as an
// integer on one side and a double on the other), else as text without trailing blanks.
bool sameKey(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return false;
    bool numA = false, numB = false;
    const double da = a.toDouble(&numA), db = b.toDouble(&numB);
    if (numA && numB && a.typeId() != QMetaType::QString && b.typeId() != QMetaType::QString)
        return da == db;
    return a.toString().trimmed() == b.toString().trimmed();
}

} // namespace

DbLookupComboBox::DbLookupComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(3);
    connect(this, &QComboBox::activated, this, &DbLookupComboBox::operatorChose);
}

void DbLookupComboBox::bind(DataSource *source, const QString &field)
{
    DataSource::attach(m_source, source, this, field, &DbLookupComboBox::load);
    m_field = field;
    load();
}

void DbLookupComboBox::setList(dbase::Table *listTable, const QString &keyField, const QString &listField)
{
    m_list = listTable;
    m_keyField = keyField;
    m_listField = listField;
    loadRows();
    load();
}

void DbLookupComboBox::loadRows()
{
    m_loading = true;
    clear();
    if (dropDownRows && m_list && m_list->isOpen()) {
        QList<dbase::SortKey> order;
        if (!m_list->indexField().isEmpty())
            order << dbase::SortKey {m_list->indexField()};
        try {
            const dbase::ResultSet rows = dbase::query::select(m_list->fileName(), {m_keyField, m_listField}, {}, order);
            for (const QVariantList &row : rows.rows)
                addItem(textOfValue(row.value(1)), row.value(0));
        } catch (const std::exception &e) {
            // a list that cannot be read offers nothing; the value still shows
            qCWarning(lcUi) << "reading the rows of" << m_list->fileName() << "failed:" << e.what();
        }
    }
    // the rows open as wide as their text, however narrow the closed list is
    view()->setMinimumWidth(view()->sizeHintForColumn(0) + 24);
    m_loading = false;
}

int DbLookupComboBox::rowOf(const QVariant &key) const
{
    for (int i = 0; i < count(); ++i)
        if (sameKey(itemData(i), key))
            return i;
    return -1;
}

void DbLookupComboBox::load()
{
    if (m_loading)
        return;
    const bool open = m_source && m_source->active();
    setEnabled(open);
    const QVariant key = open ? m_source->currentValue(m_field) : QVariant();
    int row = rowOf(key);
    if (row < 0 && !key.isNull() && dropDownRows) {
        loadRows(); // a row added since the list was read
        row = rowOf(key);
    }
    // a key that is no row of the list (a list without rows) shows its value as placeholder
    QString shown;
    if (row < 0 && !key.isNull() && m_list && m_list->isOpen()) {
        try {
            shown = textOfValue(m_list->lookup(m_keyField, key, m_listField));
        } catch (const std::exception &e) {
            qCWarning(lcUi) << "lookup of" << m_field << "in" << m_list->fileName() << "failed:" << e.what();
        }
    }
    m_loading = true;
    // Emptying the placeholder while no row is current makes the box choose its first row
    // and leaves the old text painted: empty it first, then choose, then paint.
    if (shown.isEmpty())
        setPlaceholderText(QString());
    setCurrentIndex(row);
    if (!shown.isEmpty())
        setPlaceholderText(shown);
    update();
    m_loading = false;
}

QString DbLookupComboBox::shownText() const
{
    return currentIndex() < 0 ? placeholderText() : currentText();
}

bool DbLookupComboBox::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        // a value wider than the box shows whole in its tooltip, after the box's own hint
        QStyleOptionComboBox option;
        initStyleOption(&option);
        const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
        const QString text = shownText();
        if (!text.isEmpty() && fontMetrics().horizontalAdvance(text) > field.width()) {
            const QString hint = toolTip();
            QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(),
                               hint.isEmpty() ? text : hint + QLatin1Char(' ') + text, this);
            return true;
        }
    }
    return QComboBox::event(event);
}

void DbLookupComboBox::showPopup()
{
    if (m_readOnly || !dropDownRows)
        return;
    loadRows();
    load();
    QComboBox::showPopup();
}

void DbLookupComboBox::operatorChose(int index)
{
    if (m_loading || m_readOnly || !m_source || index < 0)
        return;
    const QVariant key = itemData(index);
    if (!m_source->setOperatorValue(m_field, key)) {
        load();
        return;
    }
    try {
        if (m_list && m_list->isOpen())
            m_list->locate(m_keyField, key);
    } catch (const std::exception &e) {
        // the key is in the record; only the list table's own position is off
        qCWarning(lcUi) << "moving" << m_list->fileName() << "to the chosen row failed:" << e.what();
    }
    emit edited();
}

void DbLookupComboBox::mousePressEvent(QMouseEvent *event)
{
    emit clicked();
    if (m_readOnly || !dropDownRows) {
        event->accept();
        return;
    }
    QComboBox::mousePressEvent(event);
}

void DbLookupComboBox::keyPressEvent(QKeyEvent *event)
{
    if (m_readOnly || !dropDownRows) {
        // moving focus on stays possible
        if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)
            QComboBox::keyPressEvent(event);
        else
            event->ignore();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void DbLookupComboBox::wheelEvent(QWheelEvent *event)
{
    // turning the wheel over a form must not change a request's data behind the operator's back
    event->ignore();
}

} // namespace qal::ui

#include "FieldTextFilter.h"

#include "core/Cp1252.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolTip>

#include <algorithm>

namespace qal::ui {
namespace {

// Letters and signs with no decomposition the code page can take.
struct Equivalent
{
    char32_t from;
    const char16_t *to;
};
constexpr Equivalent kEquivalents[] = {
    {0x0141, u"L"}, {0x0142, u"l"}, {0x0110, u"D"}, {0x0111, u"d"}, {0x0126, u"H"}, {0x0127, u"h"},
    {0x0131, u"i"}, {0x013F, u"L"}, {0x0140, u"l"}, {0x0166, u"T"}, {0x0167, u"t"}, {0x0197, u"I"},
    {0x0268, u"i"}, {0x0180, u"b"}, {0x01B5, u"Z"}, {0x01B6, u"z"},
    {0x2010, u"-"}, {0x2011, u"-"}, {0x2012, u"-"}, {0x2043, u"-"}, {0x2212, u"-"}, {0x2015, u"\u2014"},
    {0x2032, u"'"}, {0x2035, u"'"}, {0x02B9, u"'"}, {0x02BC, u"\u2019"}, {0x2033, u"\""}, {0x02BA, u"\""},
    {0x201B, u"\u2018"}, {0x201F, u"\u201C"}, {0x2044, u"/"}, {0x2215, u"/"},
};

bool isLineBreak(char32_t c)
{
    return c == u'\n' || c == u'\t' || c == 0x0B || c == 0x0C || c == 0x85 || c == 0x2028 || c == 0x2029;
}

bool inCodePage(const QString &text)
{
    return !text.isEmpty() && isCp1252(text);
}

// The code page's equivalent of a character it lacks; empty when there is none.
QString equivalentOf(char32_t c, const QString &ch)
{
    for (const Equivalent &e : kEquivalents) {
        if (e.from == c)
            return QString::fromUtf16(e.to);
    }
    if (QChar::category(c) == QChar::Separator_Space)
        return QStringLiteral(" ");
    // the letter with as many of its accents as the code page has: ǘ → ü, ő → o
    const QString parts = ch.normalized(QString::NormalizationForm_D);
    for (qsizetype marks = parts.size() - 1; parts.size() > 1 && marks >= 0; --marks) {
        const QString candidate = parts.left(1 + marks).normalized(QString::NormalizationForm_C);
        if (candidate.size() == 1 && inCodePage(candidate) && !candidate.front().isMark())
            return candidate;
    }
    // compatibility forms: full-width letters, ligatures
    const QString compatible = ch.normalized(QString::NormalizationForm_KC);
    if (compatible != ch && inCodePage(compatible)) {
        bool printable = true;
        for (QChar q : compatible)
            printable = printable && q.isPrint();
        if (printable)
            return compatible;
    }
    return {};
}

QString quoted(const QStringList &items)
{
    constexpr int kShown = 6;
    QStringList shown;
    for (const QString &item : items.mid(0, kShown))
        shown << QStringLiteral("«%1»").arg(item);
    return shown.join(QLatin1Char(' ')) + (items.size() > kShown ? QStringLiteral(" …") : QString());
}

} // namespace

CleanText cleanFieldText(const QString &input)
{
    const QString text = input.normalized(QString::NormalizationForm_C);
    CleanText clean;
    clean.text.reserve(text.size());
    QStringList refused;
    QList<QPair<QString, QString>> replaced;
    bool breaks = false, controls = false;
    for (qsizetype i = 0; i < text.size();) {
        char32_t c = text[i].unicode();
        qsizetype n = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            n = 2;
        }
        const QString ch = text.mid(i, n);
        i += n;
        if (c == u'\r' || isLineBreak(c)) {
            if (c == u'\r' && i < text.size() && text[i] == u'\n')
                ++i; // CR LF is one break
            clean.text += QLatin1Char(' ');
            breaks = true;
            continue;
        }
        const QChar::Category category = QChar::category(c);
        if (category == QChar::Other_Control || category == QChar::Other_Surrogate
            || (category == QChar::Other_Format && !inCodePage(ch))) {
            controls = true;
            continue;
        }
        if (inCodePage(ch)) {
            clean.text += ch;
            continue;
        }
        const QString equivalent = equivalentOf(c, ch);
        if (!equivalent.isEmpty()) {
            clean.text += equivalent;
            if (!replaced.contains(qMakePair(ch, equivalent)))
                replaced.append({ch, equivalent});
            continue;
        }
        if (!refused.contains(ch))
            refused << ch;
    }
    clean.refused = !refused.isEmpty();
    if (clean.refused) {
        clean.notes << (refused.size() == 1 ? QStringLiteral("Carácter no admitido en este campo: %1.")
                                            : QStringLiteral("Caracteres no admitidos en este campo: %1."))
                               .arg(quoted(refused))
                           + QStringLiteral(" Los campos guardan solo letras y signos del alfabeto latino.");
    }
    if (!replaced.isEmpty()) {
        QStringList pairs;
        for (const auto &[from, to] : std::as_const(replaced))
            pairs << QStringLiteral("«%1» en lugar de «%2»").arg(to, from);
        clean.notes << QStringLiteral("Se escribió %1.").arg(pairs.join(QStringLiteral(", ")));
    }
    if (breaks)
        clean.notes << QStringLiteral("Los saltos de línea y las tabulaciones se reemplazaron por espacios.");
    if (controls)
        clean.notes << QStringLiteral("Se quitaron caracteres de control.");
    return clean;
}

QString upperCaseFieldText(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        const QChar upper = c.toUpper();
        if (upper != c && isCp1252(QStringView(&upper, 1)))
            c = upper;
    }
    return out;
}

FieldTextFilter::FieldTextFilter(QLineEdit *control)
    : QValidator(control)
    , m_control(control)
{
    control->setMaxLength(32767); // the width is kept here, where cutting can be said
    control->setValidator(this);
}

QValidator::State FieldTextFilter::validate(QString &input, int &pos) const
{
    if (m_programText || input == m_passed) {
        m_passed = input;
        return Acceptable;
    }
    // What was typed or pasted ends at the cursor: cleaned in two parts, the cursor stays
    // after what was inserted.
    pos = std::clamp(pos, 0, int(input.size()));
    const CleanText before = cleanFieldText(input.left(pos));
    const CleanText after = cleanFieldText(input.mid(pos));
    QString left = before.text;
    QString right = after.text;
    QStringList notes = before.notes;
    for (const QString &note : after.notes) {
        if (!notes.contains(note))
            notes << note;
    }
    bool refused = before.refused || after.refused;
    if (m_secret && (before.text != input.left(pos) || after.text != input.mid(pos))) {
        showFieldNotice(m_control, QStringLiteral("Carácter no admitido en este campo."));
        QApplication::beep();
        return Invalid;
    }
    // A value the program showed longer than the width may stay as long, never grow.
    const qsizetype limit = m_width > 0 ? std::max<qsizetype>(m_width, m_passed.size()) : 0;
    qsizetype excess = limit > 0 ? left.size() + right.size() - limit : 0;
    if (excess > 0) {
        const qsizetype fromLeft = std::min(excess, left.size());
        left.chop(fromLeft);
        right.chop(excess - fromLeft);
        notes << (m_width == 1 ? QStringLiteral("El campo admite 1 carácter.")
                               : QStringLiteral("El campo admite hasta %1 caracteres.").arg(m_width));
        refused = true;
    }
    QString cleaned = left + right;
    int cursor = int(left.size());
    if (cleaned == m_passed && cleaned != input) {
        // nothing of the change is left: the control takes it back, as a refused key
        showFieldNotice(m_control, notes.join(QLatin1Char(' ')));
        QApplication::beep();
        return Invalid;
    }
    State state = Acceptable;
    if (m_rule) {
        state = m_rule->validate(cleaned, cursor);
        if (state == Invalid)
            return Invalid; // the control takes the keystroke back
    }
    input = cleaned;
    pos = cursor;
    m_passed = input;
    if (!notes.isEmpty()) {
        showFieldNotice(m_control, notes.join(QLatin1Char(' ')));
        if (refused)
            QApplication::beep();
    }
    return state;
}

FieldTextFilter *filterAsField(QLineEdit *control, int width)
{
    const int ownLimit = control->maxLength() < 32767 ? control->maxLength() : 0;
    QValidator *own = const_cast<QValidator *>(control->validator());
    auto *filter = new FieldTextFilter(control);
    filter->setWidth(ownLimit > 0 && (width <= 0 || ownLimit < width) ? ownLimit : width);
    filter->setRule(own);
    return filter;
}

void showFieldNotice(QWidget *control, const QString &text)
{
    QWidget *window = control->window();
    auto *balloon = window->findChild<QLabel *>(QStringLiteral("avisoCampo"), Qt::FindDirectChildrenOnly);
    QTimer *timer = nullptr;
    if (!balloon) {
        balloon = new QLabel(window);
        balloon->setObjectName(QStringLiteral("avisoCampo"));
        balloon->setWordWrap(true);
        balloon->setFrameShape(QFrame::Box);
        balloon->setMargin(4);
        balloon->setAutoFillBackground(true);
        balloon->setPalette(QToolTip::palette());
        balloon->setFont(QToolTip::font());
        balloon->setAttribute(Qt::WA_TransparentForMouseEvents);
        timer = new QTimer(balloon);
        timer->setSingleShot(true);
        QObject::connect(timer, &QTimer::timeout, balloon, &QWidget::hide);
    } else {
        timer = balloon->findChild<QTimer *>();
    }
    balloon->setText(text);
    balloon->setFixedWidth(std::max(120, std::min(window->width() - 8, std::max(control->width(), 320))));
    balloon->adjustSize();
    const QPoint top = control == window ? QPoint(0, 0) : control->mapTo(window, QPoint(0, 0));
    QPoint at(top.x(), top.y() + control->height() + 2);
    if (at.y() + balloon->height() > window->height())
        at.setY(std::max(0, top.y() - balloon->height() - 2));
    at.setX(std::clamp(at.x(), 0, std::max(0, window->width() - balloon->width())));
    balloon->move(at);
    balloon->raise();
    balloon->show();
    timer->start(6000);
}

} // namespace qal::ui

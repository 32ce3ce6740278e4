#include "imaging/Scanner.h"

#include "imaging/GreyImage.h"

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace qal {

namespace {

QString statusText(SANE_Status status)
{
    return QString::fromUtf8(sane_strstatus(status));
}

// One open device with its options found by name.
class Device
{
public:
    explicit Device(SANE_Handle handle) : m_handle(handle) {}
    ~Device()
    {
        sane_cancel(m_handle);
        sane_close(m_handle);
    }

    const SANE_Option_Descriptor *find(const char *name, SANE_Int *index) const
    {
        for (SANE_Int i = 1;; ++i) {
            const SANE_Option_Descriptor *d = sane_get_option_descriptor(m_handle, i);
            if (!d)
                return nullptr;
            if (d->name && std::strcmp(d->name, name) == 0 && SANE_OPTION_IS_ACTIVE(d->cap)
                && SANE_OPTION_IS_SETTABLE(d->cap)) {
                *index = i;
                return d;
            }
        }
    }

    QStringList choices(const char *name) const
    {
        SANE_Int index = 0;
        const SANE_Option_Descriptor *d = find(name, &index);
        QStringList list;
        if (d && d->constraint_type == SANE_CONSTRAINT_STRING_LIST)
            for (const SANE_String_Const *s = d->constraint.string_list; *s; ++s)
                list << QString::fromUtf8(*s);
        return list;
    }

    // Sets a numeric option (int or fixed), clamped to its range; false when absent.
    bool setNumber(const char *name, double value)
    {
        SANE_Int index = 0;
        const SANE_Option_Descriptor *d = find(name, &index);
        if (!d || (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED) || d->size < SANE_Int(sizeof(SANE_Word)))
            return false;
        const bool fixed = d->type == SANE_TYPE_FIXED;
        if (d->constraint_type == SANE_CONSTRAINT_RANGE) {
            const SANE_Range *r = d->constraint.range;
            const double min = fixed ? SANE_UNFIX(r->min) : r->min;
            const double max = fixed ? SANE_UNFIX(r->max) : r->max;
            value = std::clamp(value, min, max);
        } else if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST && d->constraint.word_list[0] > 0) {
            // nearest allowed value
            double best = 0, bestDistance = -1;
            for (SANE_Int i = 1; i <= d->constraint.word_list[0]; ++i) {
                const double v = fixed ? SANE_UNFIX(d->constraint.word_list[i]) : d->constraint.word_list[i];
                if (bestDistance < 0 || std::abs(v - value) < bestDistance) {
                    bestDistance = std::abs(v - value);
                    best = v;
                }
            }
            value = best;
        }
        std::vector<SANE_Word> words(size_t(d->size) / sizeof(SANE_Word),
                                     fixed ? SANE_FIX(value) : SANE_Word(std::lround(value)));
        return sane_control_option(m_handle, index, SANE_ACTION_SET_VALUE, words.data(), nullptr) == SANE_STATUS_GOOD;
    }

    // Sets an option from -1000..1000 onto its own range (0 the middle).
    bool setScaled(const char *name, int value)
    {
        SANE_Int index = 0;
        const SANE_Option_Descriptor *d = find(name, &index);
        if (!d || d->constraint_type != SANE_CONSTRAINT_RANGE)
            return false;
        const bool fixed = d->type == SANE_TYPE_FIXED;
        const double min = fixed ? SANE_UNFIX(d->constraint.range->min) : d->constraint.range->min;
        const double max = fixed ? SANE_UNFIX(d->constraint.range->max) : d->constraint.range->max;
        const double t = (std::clamp(value, -1000, 1000) + 1000) / 2000.0;
        return setNumber(name, min + t * (max - min));
    }

    bool setString(const char *name, const QString &value)
    {
        SANE_Int index = 0;
        const SANE_Option_Descriptor *d = find(name, &index);
        if (!d)
            return false;
        if (d->type == SANE_TYPE_BOOL) {
            SANE_Bool b = (value == QLatin1String("yes") || value == QLatin1String("true") || value == QLatin1String("1"))
                              ? SANE_TRUE : SANE_FALSE;
            return sane_control_option(m_handle, index, SANE_ACTION_SET_VALUE, &b, nullptr) == SANE_STATUS_GOOD;
        }
        if (d->type == SANE_TYPE_INT || d->type == SANE_TYPE_FIXED)
            return setNumber(name, value.toDouble());
        if (d->type != SANE_TYPE_STRING || d->size <= 0)
            return false;
        QByteArray bytes = value.toUtf8();
        bytes.resize(std::max<qsizetype>(bytes.size() + 1, d->size), '\0');
        bytes.truncate(d->size);
        bytes[d->size - 1] = '\0';
        return sane_control_option(m_handle, index, SANE_ACTION_SET_VALUE, bytes.data(), nullptr) == SANE_STATUS_GOOD;
    }

    SANE_Handle handle() const { return m_handle; }

private:
    SANE_Handle m_handle;
};

// Reads one frame after sane_start; a null image with the error on failure.
QImage readFrame(SANE_Handle handle, int dpi, QString *error, SANE_Status *endStatus, ScanControl *control,
                 int pageNumber)
{
    SANE_Parameters p;
    SANE_Status status = sane_get_parameters(handle, &p);
    if (status != SANE_STATUS_GOOD) {
        *error = statusText(status);
        *endStatus = status;
        return {};
    }
    if ((p.format != SANE_FRAME_GRAY && p.format != SANE_FRAME_RGB) || (p.depth != 1 && p.depth != 8 && p.depth != 16)
        || p.bytes_per_line <= 0 || p.pixels_per_line <= 0) {
        *error = QStringLiteral("Formato de imagen del scanner no soportado");
        *endStatus = SANE_STATUS_UNSUPPORTED;
        return {};
    }
    const int channels = p.format == SANE_FRAME_RGB ? 3 : 1;
    const qint64 minLine = p.depth == 1 ? (qint64(p.pixels_per_line) * channels + 7) / 8
                                        : qint64(p.pixels_per_line) * channels * (p.depth / 8);
    if (p.bytes_per_line < minLine) {
        *error = QStringLiteral("Parámetros del scanner inconsistentes");
        *endStatus = SANE_STATUS_INVAL;
        return {};
    }
    QByteArray data;
    if (p.lines > 0)
        data.reserve(qsizetype(std::min<qint64>(qint64(p.bytes_per_line) * p.lines, SaneScanner::kMaxPageBytes)));
    std::vector<SANE_Byte> buffer(65536);
    const qint64 expected = p.lines > 0 ? qint64(p.bytes_per_line) * p.lines : -1;
    int reported = -2;
    for (;;) {
        if (control && control->cancelled()) {
            *error = kScanCancelled;
            *endStatus = SANE_STATUS_CANCELLED;
            return {};
        }
        SANE_Int got = 0;
        status = sane_read(handle, buffer.data(), SANE_Int(buffer.size()), &got);
        if (status == SANE_STATUS_EOF)
            break;
        if (status == SANE_STATUS_CANCELLED) {
            *error = kScanCancelled;
            *endStatus = status;
            return {};
        }
        if (status != SANE_STATUS_GOOD) {
            *error = statusText(status);
            *endStatus = status;
            return {};
        }
        if (data.size() + got > SaneScanner::kMaxPageBytes) {
            *error = QStringLiteral("La página digitalizada es demasiado grande");
            *endStatus = SANE_STATUS_NO_MEM;
            return {};
        }
        data.append(reinterpret_cast<const char *>(buffer.data()), got);
        if (control && control->progress) {
            const int percent = expected > 0 ? int(std::min<qint64>(100, 100 * data.size() / expected)) : -1;
            if (percent != reported)
                control->progress(pageNumber, percent);
            reported = percent;
        }
    }
    const int lines = int(data.size() / p.bytes_per_line);
    if (lines <= 0) {
        *error = QStringLiteral("El scanner no entregó datos");
        *endStatus = SANE_STATUS_IO_ERROR;
        return {};
    }
    const int width = p.pixels_per_line;
    QImage image(width, lines, channels == 3 ? QImage::Format_RGB32
                                : p.depth == 1 ? QImage::Format_Mono
                                               : QImage::Format_Grayscale8);
    if (image.isNull()) {
        *error = QStringLiteral("Memoria insuficiente para la imagen");
        *endStatus = SANE_STATUS_NO_MEM;
        return {};
    }
    if (p.depth == 1 && channels == 1)
        image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)}); // in line art 1 is black
    const int bytesPerSample = p.depth == 16 ? 2 : 1;
    for (int y = 0; y < lines; ++y) {
        const auto *src = reinterpret_cast<const uchar *>(data.constData()) + qint64(y) * p.bytes_per_line;
        uchar *dst = image.scanLine(y);
        if (p.depth == 1 && channels == 1) {
            std::memcpy(dst, src, size_t((width + 7) / 8));
        } else if (channels == 1) {
            for (int x = 0; x < width; ++x)
                dst[x] = bytesPerSample == 2 ? src[2 * x + (QSysInfo::ByteOrder == QSysInfo::LittleEndian ? 1 : 0)] : src[x];
        } else {
            auto *out = reinterpret_cast<QRgb *>(dst);
            for (int x = 0; x < width; ++x) {
                int rgb[3];
                for (int c = 0; c < 3; ++c) {
                    const int i = x * 3 + c;
                    if (p.depth == 1)
                        rgb[c] = (src[i / 8] & (0x80 >> (i % 8))) ? 0 : 255;
                    else
                        rgb[c] = bytesPerSample == 2 ? src[2 * i + (QSysInfo::ByteOrder == QSysInfo::LittleEndian ? 1 : 0)]
                                                     : src[i];
                }
                out[x] = qRgb(rgb[0], rgb[1], rgb[2]);
            }
        }
    }
    image.setDotsPerMeterX(dotsPerMeterFromPpi(dpi));
    image.setDotsPerMeterY(dotsPerMeterFromPpi(dpi));
    *endStatus = SANE_STATUS_GOOD;
    return image;
}

// sane_init once per use, sane_exit at the end.
struct SaneSession
{
    SANE_Status status;
    SaneSession()
    {
        SANE_Int version = 0;
        status = sane_init(&version, nullptr);
    }
    ~SaneSession()
    {
        if (status == SANE_STATUS_GOOD)
            sane_exit();
    }
};

// Opens the named device, or the first one found when the name is empty.
bool openDevice(const QString &wanted, SANE_Handle *handle, QString *error)
{
    QString name = wanted;
    if (name.isEmpty()) {
        const SANE_Device **list = nullptr;
        if (sane_get_devices(&list, SANE_TRUE) != SANE_STATUS_GOOD || !list || !list[0]) {
            *error = QStringLiteral("No se encontró ningún scanner");
            return false;
        }
        name = QString::fromUtf8(list[0]->name);
    }
    const SANE_Status opened = sane_open(name.toUtf8().constData(), handle);
    if (opened != SANE_STATUS_GOOD) {
        *error = QStringLiteral("No se puede abrir el scanner %1: %2").arg(name, statusText(opened));
        return false;
    }
    return true;
}

QString unitName(SANE_Unit unit)
{
    switch (unit) {
    case SANE_UNIT_PIXEL: return QStringLiteral("pel");
    case SANE_UNIT_BIT: return QStringLiteral("bit");
    case SANE_UNIT_MM: return QStringLiteral("mm");
    case SANE_UNIT_DPI: return QStringLiteral("dpi");
    case SANE_UNIT_PERCENT: return QStringLiteral("%");
    case SANE_UNIT_MICROSECOND: return QStringLiteral("us");
    default: return {};
    }
}

QString typeName(SANE_Value_Type type)
{
    switch (type) {
    case SANE_TYPE_BOOL: return QStringLiteral("Bool");
    case SANE_TYPE_INT: return QStringLiteral("Int");
    case SANE_TYPE_FIXED: return QStringLiteral("Fixed");
    case SANE_TYPE_STRING: return QStringLiteral("String");
    case SANE_TYPE_BUTTON: return QStringLiteral("Button");
    default: return QStringLiteral("Group");
    }
}

QString wordText(SANE_Word word, SANE_Value_Type type)
{
    if (type == SANE_TYPE_FIXED)
        return QString::number(SANE_UNFIX(word), 'g', 6);
    if (type == SANE_TYPE_BOOL)
        return word ? QStringLiteral("yes") : QStringLiteral("no");
    return QString::number(word);
}

ScannerOption describe(SANE_Handle handle, SANE_Int index, const SANE_Option_Descriptor &d)
{
    ScannerOption o;
    o.name = QString::fromUtf8(d.name ? d.name : "");
    o.title = QString::fromUtf8(d.title ? d.title : "");
    o.description = QString::fromUtf8(d.desc ? d.desc : "");
    o.type = typeName(d.type);
    o.unit = unitName(d.unit);
    o.active = SANE_OPTION_IS_ACTIVE(d.cap);
    o.settable = SANE_OPTION_IS_SETTABLE(d.cap);
    const bool numeric = d.type == SANE_TYPE_INT || d.type == SANE_TYPE_FIXED;
    o.count = numeric ? std::max<SANE_Int>(1, d.size / SANE_Int(sizeof(SANE_Word))) : 1;
    switch (d.constraint_type) {
    case SANE_CONSTRAINT_RANGE:
        o.constraint = QStringLiteral("Range");
        o.minimum = wordText(d.constraint.range->min, d.type);
        o.maximum = wordText(d.constraint.range->max, d.type);
        o.step = wordText(d.constraint.range->quant, d.type);
        break;
    case SANE_CONSTRAINT_WORD_LIST:
        o.constraint = QStringLiteral("WordList");
        for (SANE_Int i = 1; i <= d.constraint.word_list[0]; ++i)
            o.values << wordText(d.constraint.word_list[i], d.type);
        break;
    case SANE_CONSTRAINT_STRING_LIST:
        o.constraint = QStringLiteral("StringList");
        for (const SANE_String_Const *v = d.constraint.string_list; v && *v; ++v)
            o.values << QString::fromUtf8(*v);
        break;
    default:
        o.constraint = QStringLiteral("None");
    }
    if (!o.active || d.size <= 0 || d.type == SANE_TYPE_BUTTON || d.type == SANE_TYPE_GROUP
        || !SANE_OPTION_IS_ACTIVE(d.cap) || d.size > 1 << 20)
        return o;
    std::vector<SANE_Word> value(size_t(d.size) / sizeof(SANE_Word) + 2, 0);
    if (sane_control_option(handle, index, SANE_ACTION_GET_VALUE, value.data(), nullptr) != SANE_STATUS_GOOD)
        return o;
    if (d.type == SANE_TYPE_STRING) {
        const char *text = reinterpret_cast<const char *>(value.data());
        o.current = QString::fromUtf8(text, qsizetype(strnlen(text, size_t(d.size))));
    } else {
        QStringList words;
        for (int i = 0; i < std::min(o.count, 16); ++i)
            words << wordText(value[size_t(i)], d.type);
        o.current = words.join(QLatin1Char(',')) + (o.count > 16 ? QStringLiteral(",...") : QString());
    }
    return o;
}

} // namespace

SaneScanner::SaneScanner(QString device)
    : m_device(std::move(device))
{
}

SaneScanner::~SaneScanner() = default;

QStringList SaneScanner::devices()
{
    SaneSession session;
    QStringList names;
    const SANE_Device **list = nullptr;
    if (session.status == SANE_STATUS_GOOD && sane_get_devices(&list, SANE_TRUE) == SANE_STATUS_GOOD && list)
        for (int i = 0; list[i]; ++i)
            names << QString::fromUtf8(list[i]->name);
    return names;
}

QList<ScannerDevice> SaneScanner::deviceList()
{
    SaneSession session;
    QList<ScannerDevice> found;
    const SANE_Device **list = nullptr;
    if (session.status == SANE_STATUS_GOOD && sane_get_devices(&list, SANE_TRUE) == SANE_STATUS_GOOD && list)
        for (int i = 0; list[i]; ++i)
            found.push_back({QString::fromUtf8(list[i]->name), QString::fromUtf8(list[i]->vendor),
                             QString::fromUtf8(list[i]->model), QString::fromUtf8(list[i]->type)});
    return found;
}

QList<ScannerOption> SaneScanner::options(QString *error)
{
    SaneSession session;
    QString message;
    if (session.status != SANE_STATUS_GOOD) {
        if (error)
            *error = QStringLiteral("No se puede iniciar SANE: ") + statusText(session.status);
        return {};
    }
    SANE_Handle handle = nullptr;
    if (!openDevice(m_device, &handle, &message)) {
        if (error)
            *error = message;
        return {};
    }
    Device device(handle);
    QList<ScannerOption> list;
    for (SANE_Int i = 1;; ++i) {
        const SANE_Option_Descriptor *d = sane_get_option_descriptor(handle, i);
        if (!d)
            break;
        list.push_back(describe(handle, i, *d));
    }
    return list;
}

bool SaneScanner::scan(const ScanSettings &settings, const std::function<bool(const QImage &)> &onPage,
                       QString *error, ScanControl *control)
{
    QString message;
    const auto fail = [&](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    SaneSession session;
    if (session.status != SANE_STATUS_GOOD)
        return fail(QStringLiteral("No se puede iniciar SANE: ") + statusText(session.status));
    SANE_Handle handle = nullptr;
    if (!openDevice(m_device, &handle, &message))
        return fail(message);
    Device device(handle);

    // pixel type
    const QStringList modes = device.choices(SANE_NAME_SCAN_MODE);
    const auto pickMode = [&](std::initializer_list<const char *> wanted) -> QString {
        for (const char *w : wanted)
            for (const QString &m : modes)
                if (m.compare(QLatin1String(w), Qt::CaseInsensitive) == 0)
                    return m;
        return {};
    };
    bool thresholdAfter = false;
    switch (settings.pixelType) {
    case ScanPixelType::BlackWhite: {
        const QString lineart = pickMode({SANE_VALUE_SCAN_MODE_LINEART, "Binary", "Black & White"});
        if (!lineart.isEmpty()) {
            device.setString(SANE_NAME_SCAN_MODE, lineart);
        } else {
            device.setString(SANE_NAME_SCAN_MODE, pickMode({SANE_VALUE_SCAN_MODE_GRAY, "Grey"}));
            if (!device.setNumber(SANE_NAME_BIT_DEPTH, 1))
                thresholdAfter = true;
        }
        break;
    }
    case ScanPixelType::Gray:
        device.setString(SANE_NAME_SCAN_MODE, pickMode({SANE_VALUE_SCAN_MODE_GRAY, "Grey"}));
        device.setNumber(SANE_NAME_BIT_DEPTH, 8);
        break;
    case ScanPixelType::Color8:
    case ScanPixelType::Color24:
        device.setString(SANE_NAME_SCAN_MODE, pickMode({SANE_VALUE_SCAN_MODE_COLOR, "Colour", "RGB"}));
        device.setNumber(SANE_NAME_BIT_DEPTH, 8);
        break;
    }
    device.setNumber(SANE_NAME_SCAN_RESOLUTION, settings.dpi);
    device.setNumber(SANE_NAME_SCAN_X_RESOLUTION, settings.dpi);
    device.setNumber(SANE_NAME_SCAN_Y_RESOLUTION, settings.dpi);
    if (settings.feeder) {
        for (const QString &source : device.choices(SANE_NAME_SCAN_SOURCE))
            if (source.contains(QLatin1String("ADF"), Qt::CaseInsensitive)
                || source.contains(QLatin1String("Feeder"), Qt::CaseInsensitive)) {
                device.setString(SANE_NAME_SCAN_SOURCE, source);
                break;
            }
    }
    // geometry: bottom-right first, so that a top-left beyond the old corner is accepted
    device.setNumber(SANE_NAME_SCAN_BR_X, settings.rightMm);
    device.setNumber(SANE_NAME_SCAN_BR_Y, settings.bottomMm);
    device.setNumber(SANE_NAME_SCAN_TL_X, settings.leftMm);
    device.setNumber(SANE_NAME_SCAN_TL_Y, settings.topMm);
    if (settings.brightness != 0)
        device.setScaled(SANE_NAME_BRIGHTNESS, settings.brightness);
    if (settings.contrast != 0)
        device.setScaled(SANE_NAME_CONTRAST, settings.contrast);
    for (auto it = m_extra.cbegin(); it != m_extra.cend(); ++it)
        if (!device.setString(it.key().toUtf8().constData(), it.value()))
            return fail(QStringLiteral("El scanner no acepta la opción %1=%2").arg(it.key(), it.value()));

    const int pages = std::max(1, settings.pages);
    for (int page = 0; page < pages; ++page) {
        if (control && control->cancelled())
            return fail(kScanCancelled);
        if (control && control->progress)
            control->progress(page + 1, 0);
        const SANE_Status started = sane_start(handle);
        if (started == SANE_STATUS_CANCELLED)
            return fail(kScanCancelled);
        if (started == SANE_STATUS_NO_DOCS && page > 0)
            break; // feeder empty
        if (started != SANE_STATUS_GOOD)
            return fail(QStringLiteral("Error del scanner: ") + statusText(started));
        SANE_Status end = SANE_STATUS_GOOD;
        QImage image = readFrame(handle, settings.dpi, &message, &end, control, page + 1);
        if (image.isNull()) {
            sane_cancel(handle);
            return fail(end == SANE_STATUS_CANCELLED ? message : QStringLiteral("Error del scanner: ") + message);
        }
        if (thresholdAfter) {
            const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
            image = grey.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
            image.setDotsPerMeterX(grey.dotsPerMeterX());
            image.setDotsPerMeterY(grey.dotsPerMeterY());
        }
        if (!onPage(image))
            break;
        if (!settings.feeder)
            break;
    }
    sane_cancel(handle);
    return true;
}

} // namespace qal

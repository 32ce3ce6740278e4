#include "NfiqLibrary.h"

#include "biometrics/quality/GbNfiq.h"
#include "core/Dialogs.h"
#include "core/ProgramFolder.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTemporaryFile>

#include <elf.h>

#include <cstring>
#include <memory>
#include <new>

namespace qal {
namespace {

struct Module
{
    std::unique_ptr<QLibrary> library;
    GbNfiqGetVersionFn getVersion = nullptr;
    GbNfiqGetImageQualityFn getImageQuality = nullptr;
};

Module g_module;
QUrl g_server(QStringLiteral("http://nfiq.qal.interno"));

// Loads path and resolves both entry points. Leaves `module` empty on failure; reports
// a module without its entry points through `missing`.
bool loadModule(const QString &path, Module &module, QString *missing)
{
    auto library = std::make_unique<QLibrary>(path);
    if (!library->load())
        return false;
    auto version = reinterpret_cast<GbNfiqGetVersionFn>(library->resolve(quality::GetVersionSymbol));
    auto score = reinterpret_cast<GbNfiqGetImageQualityFn>(library->resolve(quality::GetImageQualitySymbol));
    if (!version || !score) {
        if (missing)
            *missing = QString::fromLatin1(!version ? quality::GetVersionSymbol : quality::GetImageQualitySymbol);
        library->unload();
        return false;
    }
    module.library = std::move(library);
    module.getVersion = version;
    module.getImageQuality = score;
    return true;
}

// dlopen maps the segments the headers announce and faults (SIGBUS) when the file is
// shorter: a download cut short must be recognised before it is loaded. True when the
// file is a shared object for this machine whose headers and segments lie inside it.
bool isCompleteSharedObject(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = file.readAll();
    const auto size = quint64(data.size());
    Elf64_Ehdr eh;
    if (size < sizeof eh)
        return false;
    std::memcpy(&eh, data.constData(), sizeof eh);
    if (std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0 || eh.e_ident[EI_CLASS] != ELFCLASS64
        || eh.e_ident[EI_DATA] != ELFDATA2LSB || eh.e_type != ET_DYN || eh.e_machine != EM_X86_64
        || eh.e_phentsize != sizeof(Elf64_Phdr) || eh.e_phnum == 0)
        return false;
    if (eh.e_phoff > size || quint64(eh.e_phnum) * sizeof(Elf64_Phdr) > size - eh.e_phoff)
        return false;
    if (eh.e_shnum != 0
        && (eh.e_shentsize != sizeof(Elf64_Shdr) || eh.e_shoff > size
            || quint64(eh.e_shnum) * sizeof(Elf64_Shdr) > size - eh.e_shoff))
        return false;
    for (int i = 0; i < eh.e_phnum; ++i) {
        Elf64_Phdr ph;
        std::memcpy(&ph, data.constData() + eh.e_phoff + quint64(i) * sizeof ph, sizeof ph);
        if (ph.p_offset > size || ph.p_filesz > size - ph.p_offset)
            return false;
    }
    return true;
}

QString modulePath()
{
    return ProgramFolder::resolve(NfiqLibrary::fileName());
}

// GET of the module into `file`, 1024 bytes at a time. False when the address cannot be
// opened or read, or the server answers with an error.
bool download(const QUrl &url, QFile &file)
{
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    request.setTransferTimeout(60000);
    QNetworkReply *reply = manager.get(request);
    bool written = true;
    QEventLoop loop;
    auto drain = [&] {
        char chunk[1024];
        for (qint64 n; (n = reply->read(chunk, sizeof chunk)) > 0;)
            written = written && file.write(chunk, n) == n;
    };
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, drain);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    drain();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool ok = reply->error() == QNetworkReply::NoError && status >= 200 && status < 300 && written
        && file.flush();
    reply->deleteLater();
    return ok;
}

} // namespace

QString NfiqLibrary::fileName()
{
    return QStringLiteral("libgbnfiq.so");
}

QUrl NfiqLibrary::server()
{
    return g_server;
}

void NfiqLibrary::setServer(const QUrl &url)
{
    g_server = url;
}

QUrl NfiqLibrary::downloadUrl()
{
    QUrl url = g_server;
    QString path = url.path();
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    url.setPath(path + fileName());
    return url;
}

bool NfiqLibrary::loadAtStart()
{
    if (isLoaded())
        return true;
    const QString path = modulePath();
    if (!QFileInfo::exists(path))
        return false;
    QString missing;
    if (!isCompleteSharedObject(path) || !loadModule(path, g_module, &missing)) {
        if (!missing.isEmpty())
            throw MissingEntryPoint(QStringLiteral("%1: falta el punto de entrada %2").arg(path, missing).toStdString());
        return false;
    }
    return true;
}

bool NfiqLibrary::isLoaded()
{
    return g_module.getImageQuality != nullptr;
}

void NfiqLibrary::unload()
{
    if (g_module.library)
        g_module.library->unload();
    g_module = Module();
}

int NfiqLibrary::imageQuality(const std::uint8_t *pixels, int width, int height, int *nfiq)
{
    if (!isLoaded())
        return QualityNoLibrary;
    return g_module.getImageQuality(pixels, width, height, nfiq, 0);
}

bool EnsureNfiqLibrary()
{
    if (NfiqLibrary::isLoaded())
        return true;
    const QString target = modulePath();
    if (QFileInfo::exists(target))
        return false; // there, but it does not load

    const QUrl url = NfiqLibrary::downloadUrl();
    const QString failure = QStringLiteral("Error bajando desde \"%1\"").arg(url.toString());
    QTemporaryFile part(ProgramFolder::path() + QStringLiteral("/gbnfiq-XXXXXX.so"));
    if (!part.open() || !download(url, part)) {
        Dialogs::error(failure);
        return false;
    }
    part.close();

    // Only a complete module that loads and carries both entry points takes the real name.
    Module probe;
    if (!isCompleteSharedObject(part.fileName()) || !loadModule(part.fileName(), probe, nullptr)) {
        Dialogs::error(failure);
        return false;
    }
    probe.library->unload();
    if (!part.rename(target)) {
        Dialogs::error(failure);
        return false;
    }
    part.setAutoRemove(false);
    try {
        return NfiqLibrary::loadAtStart();
    } catch (const NfiqLibrary::MissingEntryPoint &) {
        return false;
    }
}

QualityRecord ScoreImage(GreyImage &image)
{
    QualityRecord record;
    if (image.isNull() || image.width() == 0) {
        record.code = QualityNoImage;
        return record;
    }
    if (!NfiqLibrary::isLoaded() && !EnsureNfiqLibrary()) {
        record.code = QualityNoLibrary;
        return record;
    }
    const int width = image.width() - image.width() % 4;
    const int height = image.height();
    try {
        if (width != image.width()) {
            GreyImage cropped(width, height, image.resolution());
            for (int y = 0; y < height; ++y)
                std::copy_n(image.row(y), width, cropped.row(y));
            image = std::move(cropped);
        }
        std::vector<std::uint8_t> buffer(image.pixels());
        record.code = NfiqLibrary::imageQuality(buffer.data(), width, height, &record.nfiq);
    } catch (const std::bad_alloc &) {
        record.code = QualityNoMemory;
        record.nfiq = 0;
    }
    return record;
}

} // namespace qal

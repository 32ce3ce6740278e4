#include "exchange/CurlTransfer.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <memory>
#include <mutex>

namespace qal::exchange {

namespace {

// The 60 s read time-out of the mail clients: a transfer that moves no byte for that long fails.
constexpr long kStallSeconds = 60;
constexpr long kConnectSeconds = 30;

void ensureCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace

void runKeepingUiAlive(const std::function<void()> &work)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) {
        work();
        return;
    }
    QEventLoop loop;
    std::unique_ptr<QThread> thread(QThread::create(work));
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec();
    thread->wait();
}

CurlHandle::CurlHandle()
{
    ensureCurl();
    m_curl = curl_easy_init();
}

CurlHandle::~CurlHandle()
{
    // For POP3 this sends QUIT, which commits the session's deletions.
    curl_easy_cleanup(m_curl);
}

void CurlHandle::configure(const MailServer &server)
{
    curl_easy_setopt(m_curl, CURLOPT_ERRORBUFFER, m_error);
    curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
    curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
    curl_easy_setopt(m_curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    curl_easy_setopt(m_curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(m_curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!server.caFile.isEmpty())
        curl_easy_setopt(m_curl, CURLOPT_CAINFO, server.caFile.toLocal8Bit().constData());
    if (server.login) {
        curl_easy_setopt(m_curl, CURLOPT_USERNAME, server.user.toUtf8().constData());
        curl_easy_setopt(m_curl, CURLOPT_PASSWORD, server.password.toUtf8().constData());
    }
    curl_easy_setopt(m_curl, CURLOPT_HEADERFUNCTION, &CurlHandle::onHeader);
    curl_easy_setopt(m_curl, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(m_curl, CURLOPT_XFERINFOFUNCTION, &CurlHandle::onProgress);
    curl_easy_setopt(m_curl, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(m_curl, CURLOPT_NOPROGRESS, 0L);
}

void CurlHandle::setProgress(std::function<void(qint64)> progress)
{
    m_progress = std::move(progress);
}

CURLcode CurlHandle::perform()
{
    m_error[0] = '\0';
    m_lines.clear();
    CURLcode code = CURLE_OK;
    runKeepingUiAlive([this, &code] { code = curl_easy_perform(m_curl); });
    return code;
}

QString CurlHandle::reason(CURLcode code) const
{
    QString text = m_error[0] ? QString::fromUtf8(m_error) : QString::fromUtf8(curl_easy_strerror(code));
    for (auto it = m_lines.crbegin(); it != m_lines.crend(); ++it) {
        if (it->startsWith("-ERR")) {
            text += QStringLiteral(" (%1)").arg(QString::fromUtf8(it->trimmed()));
            break;
        }
    }
    return text;
}

long CurlHandle::connectsInLastPerform() const
{
    long connects = 0;
    curl_easy_getinfo(m_curl, CURLINFO_NUM_CONNECTS, &connects);
    return connects;
}

size_t CurlHandle::onHeader(char *data, size_t size, size_t count, void *self)
{
    static_cast<CurlHandle *>(self)->m_lines.append(QByteArray(data, static_cast<qsizetype>(size * count)));
    return size * count;
}

int CurlHandle::onProgress(void *self, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow)
{
    const auto *handle = static_cast<CurlHandle *>(self);
    if (handle->m_progress)
        handle->m_progress(static_cast<qint64>(std::max(dlnow, ulnow)));
    return 0;
}

} // namespace qal::exchange

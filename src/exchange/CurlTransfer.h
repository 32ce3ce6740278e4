#pragma once

#include "exchange/MailServer.h"

#include <curl/curl.h>

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

namespace qal::exchange {

// Runs a blocking transfer to its end. On the application's thread of a running Qt
// application the work runs on a thread of its own while a local event loop keeps the
// windows painted and working (the mail module refuses a second operation meanwhile);
// anywhere else it runs in place.
void runKeepingUiAlive(const std::function<void()> &work);

// One libcurl easy handle set up for a mail server: time-outs, TLS, log-in, progress.
class CurlHandle
{
public:
    CurlHandle();
    ~CurlHandle();
    CurlHandle(const CurlHandle &) = delete;
    CurlHandle &operator=(const CurlHandle &) = delete;

    CURL *get() const { return m_curl; }
    void configure(const MailServer &server);
    // Called on the transfer's thread with the bytes moved so far.
    void setProgress(std::function<void(qint64)> progress);
    // Runs the transfer (see runKeepingUiAlive).
    CURLcode perform();
    // The reason of a failure: libcurl's message and the server's last refusal.
    QString reason(CURLcode code) const;
    // Every line the server answered during the last perform.
    const QList<QByteArray> &serverLines() const { return m_lines; }
    long connectsInLastPerform() const;

private:
    static size_t onHeader(char *data, size_t size, size_t count, void *self);
    static int onProgress(void *self, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal, curl_off_t ulnow);

    CURL *m_curl;
    char m_error[CURL_ERROR_SIZE] = {};
    QList<QByteArray> m_lines;
    std::function<void(qint64)> m_progress;
};

} // namespace qal::exchange

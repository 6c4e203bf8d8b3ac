#include "CurlSession.h"

#include <QFile>
#include <QUrl>

#include <curl/curl.h>

#include <cstdio>

#include <sys/socket.h>
#include <unistd.h>

namespace upload {

namespace {

void initialiseCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Errors that mean the server answered a command with a refusal; its reply says why.
bool isRefusal(CURLcode code) {
    switch (code) {
    case CURLE_LOGIN_DENIED:
    case CURLE_UPLOAD_FAILED:
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_REMOTE_DISK_FULL:
    case CURLE_REMOTE_FILE_EXISTS:
    case CURLE_FTP_COULDNT_RETR_FILE:
    case CURLE_FTP_COULDNT_SET_TYPE:
    case CURLE_FTP_COULDNT_USE_REST:
    case CURLE_FTP_PORT_FAILED:
    case CURLE_FTP_PRET_FAILED:
    case CURLE_QUOTE_ERROR:
        return true;
    default:
        return false;
    }
}

QByteArray encode(const QString& url) {
    return url.toUtf8();
}

// A reply line such as "550 No such file." with a refusal code (4xx or 5xx).
bool isErrorReply(const QString& line) {
    return line.size() >= 3 && (line.at(0) == QLatin1Char('4') || line.at(0) == QLatin1Char('5')) &&
           line.at(1).isDigit() && line.at(2).isDigit();
}

} // namespace

CurlSession::CurlSession() {
    initialiseCurl();
    multi_ = curl_multi_init();
}

CurlSession::~CurlSession() {
    onStatus = nullptr;
    disconnect();
    curl_multi_cleanup(multi_);
}

void CurlSession::setTimeouts(int connectSeconds, int stallSeconds) {
    connectTimeout_ = connectSeconds;
    stallTimeout_ = stallSeconds;
}

void CurlSession::abort() {
    abort_.store(true);
    {
        const std::lock_guard lock(socketsMutex_);
        for (const curl_socket_t socket : sockets_)
            ::shutdown(socket, SHUT_RDWR);
    }
    const std::lock_guard lock(multiMutex_);
    curl_multi_wakeup(multi_);
}

std::size_t CurlSession::collect(char* data, std::size_t size, std::size_t count, void* target) {
    static_cast<QByteArray*>(target)->append(data, static_cast<qsizetype>(size * count));
    return size * count;
}

int CurlSession::debug(CURL*, curl_infotype type, char* data, std::size_t size, void* self) {
    auto* session = static_cast<CurlSession*>(self);
    if (type != CURLINFO_HEADER_IN)
        return 0;
    session->partialLine_.append(data, static_cast<qsizetype>(size));
    qsizetype end;
    while ((end = session->partialLine_.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(session->partialLine_.left(end)).trimmed();
        session->partialLine_.remove(0, end + 1);
        if (line.isEmpty())
            continue;
        session->lastReply_ = line;
        const bool login = !session->loggedIn_;
        if (line.startsWith(QLatin1String("230")) || line.startsWith(QLatin1String("202")))
            session->loggedIn_ = true;
        // Transfers under way and done, and the data connections' set-up, are not news for the log.
        const bool quiet = line.startsWith(QLatin1Char('1')) || line.startsWith(QLatin1String("226")) ||
                           line.startsWith(QLatin1String("227")) || line.startsWith(QLatin1String("229"));
        if ((session->logReplies_ || login) && !quiet && session->onStatus)
            session->onStatus(line);
    }
    return 0;
}

curl_socket_t CurlSession::openSocket(void* self, curlsocktype, curl_sockaddr* address) {
    auto* session = static_cast<CurlSession*>(self);
    const curl_socket_t socket = ::socket(address->family, address->socktype, address->protocol);
    if (socket == CURL_SOCKET_BAD)
        return socket;
    const std::lock_guard lock(session->socketsMutex_);
    session->sockets_.insert(socket);
    if (session->abort_.load())
        ::shutdown(socket, SHUT_RDWR);
    return socket;
}

int CurlSession::closeSocket(void* self, curl_socket_t socket) {
    auto* session = static_cast<CurlSession*>(self);
    {
        const std::lock_guard lock(session->socketsMutex_);
        session->sockets_.erase(socket);
    }
    return ::close(socket);
}

void CurlSession::watchSockets(CURL* easy) {
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &CurlSession::openSocket);
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETFUNCTION, &CurlSession::closeSocket);
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETDATA, this);
}

int CurlSession::transferInfo(void* self, curl_off_t, curl_off_t, curl_off_t ultotal, curl_off_t ulnow) {
    auto* session = static_cast<CurlSession*>(self);
    if (session->onUploadProgress && ultotal > 0)
        session->onUploadProgress(ulnow, ultotal);
    return session->abort_.load() ? 1 : 0;
}

void CurlSession::prepareFtp(const QString& url) {
    if (!ftp_) {
        ftp_ = curl_easy_init();
        if (onStatus)
            onStatus(QStringLiteral("Resolving hostname %1.").arg(QUrl(url).host()));
    }
    curl_easy_reset(ftp_);
    curl_easy_setopt(ftp_, CURLOPT_URL, encode(url).constData());
    curl_easy_setopt(ftp_, CURLOPT_NOSIGNAL, 1L);
    watchSockets(ftp_);
    curl_easy_setopt(ftp_, CURLOPT_PROTOCOLS_STR, "ftp,ftps");
    curl_easy_setopt(ftp_, CURLOPT_ERRORBUFFER, errorBuffer_);
    curl_easy_setopt(ftp_, CURLOPT_CONNECTTIMEOUT, static_cast<long>(connectTimeout_));
    curl_easy_setopt(ftp_, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(stallTimeout_));
    curl_easy_setopt(ftp_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(ftp_, CURLOPT_LOW_SPEED_TIME, static_cast<long>(stallTimeout_));
    // Passive data connections: the client connects, so firewalls at home do not get in the way.
    curl_easy_setopt(ftp_, CURLOPT_FTPPORT, nullptr);
    curl_easy_setopt(ftp_, CURLOPT_FTP_USE_EPSV, 1L);
    curl_easy_setopt(ftp_, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(ftp_, CURLOPT_DEBUGFUNCTION, &CurlSession::debug);
    curl_easy_setopt(ftp_, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(ftp_, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(ftp_, CURLOPT_XFERINFOFUNCTION, &CurlSession::transferInfo);
    curl_easy_setopt(ftp_, CURLOPT_XFERINFODATA, this);
}

TransferResult CurlSession::perform(CURL* easy) {
    TransferResult result;
    errorBuffer_[0] = 0;
    lastReply_.clear();
    partialLine_.clear();
    if (abort_.load()) {
        result.kind = TransferResult::Aborted;
        return result;
    }
    curl_multi_add_handle(multi_, easy);
    CURLcode code = CURLE_OK;
    bool finished = false;
    while (!finished) {
        if (abort_.load())
            break;
        int running = 0;
        if (curl_multi_perform(multi_, &running) != CURLM_OK) {
            code = CURLE_FAILED_INIT;
            break;
        }
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi_, &left))
            if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
                code = message->data.result;
                finished = true;
            }
        if (!finished)
            curl_multi_poll(multi_, nullptr, 0, 100, nullptr);
    }
    curl_multi_remove_handle(multi_, easy);
    if (!finished || abort_.load()) {
        result.kind = TransferResult::Aborted;
        return result;
    }
    result.curlCode = code;
    result.reply = lastReply_;
    if (code == CURLE_OK)
        return result;
    result.errorText = QString::fromUtf8(errorBuffer_[0] ? errorBuffer_ : curl_easy_strerror(code));
    if (code == CURLE_HTTP_RETURNED_ERROR)
        result.kind = TransferResult::HttpError;
    else if (code == CURLE_COULDNT_RESOLVE_HOST || code == CURLE_COULDNT_RESOLVE_PROXY ||
             code == CURLE_COULDNT_CONNECT)
        result.kind = TransferResult::Unreachable;
    else if (isRefusal(code) && isErrorReply(lastReply_))
        result.kind = TransferResult::ServerRefused;
    else
        result.kind = TransferResult::NetworkError;
    return result;
}

TransferResult CurlSession::list(const QString& folderUrl, const QString& name, QByteArray* listing) {
    prepareFtp(folderUrl);
    listing->clear();
    const QByteArray command = "LIST " + name.toUtf8();
    curl_easy_setopt(ftp_, CURLOPT_CUSTOMREQUEST, command.constData());
    curl_easy_setopt(ftp_, CURLOPT_WRITEFUNCTION, &CurlSession::collect);
    curl_easy_setopt(ftp_, CURLOPT_WRITEDATA, listing);
    // The login's replies are news; the listing's own ones are not.
    logReplies_ = false;
    TransferResult result = perform(ftp_);
    logReplies_ = true;
    connected_ = connected_ || !result.reply.isEmpty();
    // A server that has no such file may refuse to list it instead of listing nothing.
    if (result.kind == TransferResult::ServerRefused && result.curlCode == CURLE_FTP_COULDNT_RETR_FILE &&
        (result.reply.startsWith(QLatin1String("450")) || result.reply.startsWith(QLatin1String("550")))) {
        listing->clear();
        return TransferResult{};
    }
    return result;
}

TransferResult CurlSession::store(const QString& folderUrl, const QString& name, const QString& localFile) {
    const QByteArray path = QFile::encodeName(localFile);
    FILE* file = std::fopen(path.constData(), "rb");
    if (!file) {
        TransferResult result;
        result.kind = TransferResult::NetworkError;
        result.errorText = QStringLiteral("Cannot read %1").arg(localFile);
        return result;
    }
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::rewind(file);
    prepareFtp(folderUrl + QString::fromUtf8(QUrl::toPercentEncoding(name)));
    curl_easy_setopt(ftp_, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(ftp_, CURLOPT_APPEND, 0L);
    curl_easy_setopt(ftp_, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(ftp_, CURLOPT_READDATA, file);
    curl_easy_setopt(ftp_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
    TransferResult result = perform(ftp_);
    std::fclose(file);
    if (result.kind == TransferResult::Aborted && ftp_) {
        // The data connection was cut mid-way; the control connection goes with it.
        curl_easy_cleanup(ftp_);
        ftp_ = nullptr;
        connected_ = false;
        loggedIn_ = false;
    }
    return result;
}

TransferResult CurlSession::get(const QString& url, QByteArray* body) {
    body->clear();
    CURL* http = curl_easy_init();
    curl_easy_setopt(http, CURLOPT_URL, encode(url).constData());
    curl_easy_setopt(http, CURLOPT_NOSIGNAL, 1L);
    watchSockets(http);
    curl_easy_setopt(http, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(http, CURLOPT_ERRORBUFFER, errorBuffer_);
    curl_easy_setopt(http, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(http, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(http, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(http, CURLOPT_CONNECTTIMEOUT, static_cast<long>(connectTimeout_));
    curl_easy_setopt(http, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(http, CURLOPT_LOW_SPEED_TIME, static_cast<long>(stallTimeout_));
    curl_easy_setopt(http, CURLOPT_WRITEFUNCTION, &CurlSession::collect);
    curl_easy_setopt(http, CURLOPT_WRITEDATA, body);
    TransferResult result = perform(http);
    curl_easy_cleanup(http);
    return result;
}

void CurlSession::disconnect() {
    if (ftp_) {
        curl_easy_cleanup(ftp_);
        ftp_ = nullptr;
    }
    // The connections the session kept open are closed with the handle that holds them (QUIT for FTP).
    {
        const std::lock_guard lock(multiMutex_);
        curl_multi_cleanup(multi_);
        multi_ = curl_multi_init();
    }
    if (connected_ && onStatus)
        onStatus(QStringLiteral("Disconnected."));
    connected_ = false;
    loggedIn_ = false;
}

} // namespace upload

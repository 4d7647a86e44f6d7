#include "printservice.h"

#include <QDir>
#include <QFile>
#include <QPageSize>
#include <QTemporaryFile>

#include <cups/cups.h>

namespace vb::printservice {

namespace {

// One connection to the print service for one question or job; none when
// the service does not run (libcups would then answer as if no printer
// existed).
class Connection
{
public:
    Connection()
        : m_http(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 5000, nullptr))
    {
    }
    ~Connection()
    {
        if (m_http)
            httpClose(m_http);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;
    http_t *http() const { return m_http; }

private:
    http_t *m_http;
};

QString reasonText(const char *text)
{
    QString reason = QString::fromUtf8(text ? text : "").trimmed();
    while (reason.endsWith(QLatin1Char('.')))
        reason.chop(1);
    return reason;
}

// What the printer says of itself: the reason given to cupsreject or
// cupsdisable, or the device's own message.
QString stateMessage(http_t *http, const QString &queue)
{
    ipp_t *request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/printers/%s",
                     queue.toUtf8().constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    static const char *const wanted[] = {"printer-state-message"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 1, nullptr, wanted);
    ipp_t *response = cupsDoRequest(http, request, "/");
    QString message;
    if (ipp_attribute_t *attribute = ippFindAttribute(response, "printer-state-message", IPP_TAG_TEXT))
        message = reasonText(ippGetString(attribute, 0, nullptr));
    ippDelete(response);
    return message;
}

} // namespace

QString notRunning() { return QStringLiteral("The print service (CUPS) is not running"); }
QString noDefaultPrinter() { return QStringLiteral("No default printer is set up for reports"); }
QString noPrinter() { return QStringLiteral("No printer is installed"); }

QString defaultQueue(QString *why)
{
    Connection service;
    if (!service.http()) {
        *why = notRunning();
        return QString();
    }
    if (cups_dest_t *dest = cupsGetNamedDest(service.http(), nullptr, nullptr)) {
        const QString name = QString::fromUtf8(dest->name);
        cupsFreeDests(1, dest);
        return name;
    }
    cups_dest_t *dests = nullptr;
    const int count = cupsGetDests2(service.http(), &dests);
    cupsFreeDests(count, dests);
    *why = count == 0 ? noPrinter() : noDefaultPrinter();
    return QString();
}

QString submit(const Job &job)
{
    Connection service;
    if (!service.http())
        return notRunning();
    cups_option_t *options = nullptr;
    int count = 0;
    if (job.copies > 1) {
        count = cupsAddOption("copies", QByteArray::number(job.copies).constData(), count, &options);
        count = cupsAddOption("collate", job.collate ? "true" : "false", count, &options);
    }
    for (const auto &[name, value] : job.options)
        count = cupsAddOption(name.constData(), value.constData(), count, &options);
    const int id = cupsPrintFile2(service.http(), job.queue.toUtf8().constData(), QFile::encodeName(job.file).constData(),
                                  job.title.toUtf8().constData(), count, options);
    cupsFreeOptions(count, options);
    if (id > 0)
        return QString();
    const ipp_status_t status = cupsLastError();
    const QString reason = reasonText(cupsLastErrorString());
    const QString printer = QStringLiteral("The printer \"%1\"").arg(job.queue);
    switch (status) {
    case IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS: {
        const QString message = stateMessage(service.http(), job.queue);
        return message.isEmpty() ? printer + QStringLiteral(" is not accepting jobs")
                                 : QStringLiteral("%1 is not accepting jobs (%2)").arg(printer, message);
    }
    case IPP_STATUS_ERROR_NOT_FOUND:
        return printer + QStringLiteral(" does not exist");
    case IPP_STATUS_ERROR_SERVICE_UNAVAILABLE:
        return notRunning();
    default:
        return QStringLiteral("%1 did not take the report (%2)").arg(printer, reason);
    }
}

QString print(const PrintDocument &document, Job job, const PrintDocument::Progress &progress)
{
    QTemporaryFile file(QDir::temp().filePath(QStringLiteral("varnock-XXXXXX.pdf")));
    if (!file.open())
        return QStringLiteral("The report cannot be written for the printer (%1)").arg(file.errorString());
    file.close();
    bool stopped = false;
    QString why;
    const bool written = document.writePdf(file.fileName(),
                                           [&](int done, int pages) {
                                               if (progress && !progress(done, pages))
                                                   stopped = true;
                                               return !stopped;
                                           },
                                           &why);
    if (stopped)
        return QString();
    if (!written)
        return QStringLiteral("The report cannot be written for the printer (%1)").arg(why);
    // The paper the document was laid out on.
    const QSize size = document.pageSize(); // tenths of a millimetre
    const QPageSize paper(QSizeF(size) / 10.0, QPageSize::Millimeter, QString(), QPageSize::FuzzyOrientationMatch);
    if (paper.id() != QPageSize::Custom)
        job.options.prepend(std::pair<QByteArray, QByteArray>("media", paper.key().toUtf8()));
    job.file = file.fileName();
    if (job.title.isEmpty())
        job.title = document.title();
    return submit(job);
}

} // namespace vb::printservice

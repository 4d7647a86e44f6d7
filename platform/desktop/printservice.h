#pragma once
// Reports reach paper through the print service (CUPS): a report is written
// as a PDF file and handed to a queue here, so that a queue that refuses it,
// a missing default printer or a stopped service is told to the operator
// with CUPS's own reason rather than lost.
#include "report/printdocument.h"
#include "runtime/host.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>

namespace vb::printservice {

// The texts the operator reads when a report cannot be handed over.
QString notRunning();
QString noDefaultPrinter();
QString noPrinter();

// The default queue (the office's page printer for reports). Empty, with
// why, when the service is not running or no default is set: a report is
// never sent to a printer nobody chose.
QString defaultQueue(QString *why);

struct Job {
    QString queue;
    QString file; // a PDF file
    QString title;
    int copies = 1;
    bool collate = true;
    // Further job options by their CUPS names ("media", "sides", ...).
    QList<std::pair<QByteArray, QByteArray>> options;
};

// Hands the file to its queue. Empty when CUPS took the job, otherwise why
// it did not, such as: The printer "office" is not accepting jobs (paper jam).
QString submit(const Job &job);

// Writes the document as a PDF file (in its own page size, which the job
// asks for as its paper) and hands it to the job's queue. Empty when CUPS
// took it, or when progress stopped the writing (then nothing is sent);
// otherwise why it was not printed.
QString print(const PrintDocument &document, Job job, const PrintDocument::Progress &progress = {});

} // namespace vb::printservice

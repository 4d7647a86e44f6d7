#include "reportcontrol.h"

#include "reportdocument.h"

#include "runtime/errors.h"
#include "runtime/form.h"

#include <QGuiApplication>

namespace vb {

ReportControl::ReportControl(Form *form, const QString &name) : WithProps(form, name)
{
    setVisible(false);
}

void ReportControl::setDestination(int v)
{
    if (v != Destination::Window && v != Destination::Printer)
        throw RuntimeError(380, QStringLiteral("Invalid property value"));
    m_p.destination = v;
}

void ReportControl::setCopiesToPrinter(int16_t v)
{
    if (v < 1)
        throw RuntimeError(380, QStringLiteral("Invalid property value"));
    m_p.copiesToPrinter = v;
}

std::shared_ptr<const report::ReportDocument> ReportControl::openReport() const
{
    // Laying out text needs the fonts of a graphical session.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        throw RuntimeError(report::CannotOpenReport,
                           QStringLiteral("Reports cannot be printed without a graphical session"));
    if (m_p.reportFileName.trimmed().isEmpty())
        throw RuntimeError(report::CannotOpenReport, QStringLiteral("No report file is named"));
    report::ReportDefinition definition = report::ReportDefinition::load(m_p.reportFileName);
    report::ReportData data = report::readReportData(definition, m_p.selectionFormula);
    const QDateTime at = App::instance().hasHost() ? host().now() : QDateTime::currentDateTime();
    return std::make_shared<const report::ReportDocument>(std::move(definition), std::move(data), at);
}

void ReportControl::PrintReport()
{
    auto document = openReport();
    if (onFirstPage)
        onFirstPage(*document);
    host().printReport(document, m_p.destination, m_p.copiesToPrinter);
}

} // namespace vb

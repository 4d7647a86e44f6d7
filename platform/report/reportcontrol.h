#pragma once
// The report control of the forms: names a report file, a selection
// formula, where the report goes and how many copies; PrintReport reads
// the report file from the current directory, lays the report out and
// hands it to the host (printer or preview window). Its properties keep
// their values from one print to the next.
#include "runtime/control.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace vb {

namespace report {
class ReportDocument;
}

struct ReportProps {
    QString reportFileName;
    QString selectionFormula;
    int destination = 0; // 0 window, 1 printer
    int16_t copiesToPrinter = 1;
};

class ReportControl : public WithProps<ReportProps, Control>
{
public:
    ReportControl(Form *form, const QString &name);
    ControlKind kind() const override { return ControlKind::Other; }

    const QString &ReportFileName() const { return m_p.reportFileName; }
    void setReportFileName(const QString &v) { m_p.reportFileName = v; }
    const QString &SelectionFormula() const { return m_p.selectionFormula; }
    void setSelectionFormula(const QString &v) { m_p.selectionFormula = v; }
    int Destination() const { return m_p.destination; }
    // 0 (window) or 1 (printer); another value raises error 380.
    void setDestination(int v);
    int16_t CopiesToPrinter() const { return m_p.copiesToPrinter; }
    // At least 1; less raises error 380 and keeps the count.
    void setCopiesToPrinter(int16_t v);

    // Prints the report: opens it (below) and hands it to the host, which
    // prints it or lays out the rest of its pages while the preview shows
    // the first. A missing or faulty report file, a formula error or a
    // database failure raises a run-time error that names it.
    void PrintReport();

    // The report of the current properties with its first page laid out
    // and no more; the other pages are laid out as they are asked for.
    // Raises what PrintReport raises.
    std::shared_ptr<const report::ReportDocument> openReport() const;
    // Called by PrintReport as soon as the report's first page is laid
    // out, before the report goes to the host.
    std::function<void(const report::ReportDocument &)> onFirstPage;
};

} // namespace vb

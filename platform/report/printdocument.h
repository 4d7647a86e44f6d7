#pragma once
// A document (a report) that a host prints or previews. The report engine
// makes it; the host decides how it reaches paper or screen. It lives in
// the report layer, the one that paints, so that the forms runtime and its
// host interface stay on Qt Core: they only pass it along.
#include <QSize>
#include <QString>
#include <functional>

class QPainter;

namespace vb {

// Its pages are laid out as they are asked for, so a long report shows its
// first page at once; a preview lays out the rest a little at a time.
class PrintDocument
{
public:
    virtual ~PrintDocument() = default;
    // Shown as the print job's name and the preview window's title.
    virtual QString title() const = 0;
    // The number of pages; lays out the whole document first.
    virtual int pageCount() const = 0;
    // Writes the document as a PDF file page by page, laying the pages out
    // as it goes. After each page, progress (when given) hears how many are
    // done and of how many, 0 while the layout has not reached the end;
    // false from it stops the writing there, the pages so far making the
    // file. False when the file can't be written, with the reason in why.
    using Progress = std::function<bool(int done, int pages)>;
    virtual bool writePdf(const QString &fileName, const Progress &progress = {}, QString *why = nullptr) const = 0;

    // Pages laid out so far, and whether that is all of them.
    virtual int pagesLaidOut() const = 0;
    virtual bool complete() const = 0;
    // Lays out further pages for about the given time; true when complete.
    virtual bool layOutMore(int milliseconds) const = 0;
    // The page size in the painter's units (tenths of a millimetre) and
    // one page (0-based) painted on a painter whose window is that size.
    virtual QSize pageSize() const = 0;
    virtual void paintPage(QPainter &painter, int page) const = 0;
};

} // namespace vb

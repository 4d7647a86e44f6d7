// Selection formulas become conditions with every value bound; anything
// outside the formulas the reports use is refused with a formula error.
#include "report/selectionformula.h"

#include "runtime/errors.h"
#include "testing/qtprint.h"

#include <QDate>
#include <gtest/gtest.h>

using namespace vb;
using namespace vb::report;

namespace {

FormulaScope dayrep()
{
    FormulaScope s;
    s.source = QStringLiteral("DAYREP");
    s.columns = {"num", "truckno", "material", "rece", "sup", "dt", "netwt"};
    s.parameters["counter"] = QVariantMap{{"mstno", 5.0}, {"menno", 40.0}, {"st_dt", QDate(2024, 3, 1)}};
    return s;
}

struct Accepted {
    const char *formula;
    const char *sql;
    QVariantList values;
};

class FormulaAccepted : public ::testing::TestWithParam<Accepted> {};

TEST_P(FormulaAccepted, BecomesBoundCondition)
{
    const Accepted &a = GetParam();
    const Condition c = parseSelectionFormula(QString::fromUtf8(a.formula), dayrep());
    EXPECT_EQ(c.sql, QString::fromUtf8(a.sql));
    EXPECT_EQ(c.values, a.values);
}

INSTANTIATE_TEST_SUITE_P(
    Formulas, FormulaAccepted,
    ::testing::Values(
        Accepted{"", "", {}},
        Accepted{"   ", "", {}},
        Accepted{"{DAYREP.material}='Sand'", "\"material\" = ? collate nocase", {"Sand"}},
        Accepted{"{dayrep.MATERIAL} = \"Coal\"", "\"material\" = ? collate nocase", {"Coal"}},
        Accepted{"{DAYREP.material}=''", "\"material\" = ? collate nocase", {""}},
        Accepted{"{DAYREP.rece}='D''Souza'", "\"rece\" = ? collate nocase", {"D'Souza"}},
        Accepted{"{DAYREP.sup}='x; drop table emp --'", "\"sup\" = ? collate nocase", {"x; drop table emp --"}},
        Accepted{"{DAYREP.num} >= 10 and {DAYREP.num} <= 20", "(\"num\" >= ? and \"num\" <= ?)",
                 {qlonglong(10), qlonglong(20)}},
        Accepted{"{DAYREP.num} >= {counter.mstno} and {DAYREP.num} <= {Counter.MENNO}",
                 "(\"num\" >= ? and \"num\" <= ?)", {5.0, 40.0}},
        Accepted{"{DAYREP.dt} >= Date(2024, 3, 5)", "\"dt\" >= ?", {QDate(2024, 3, 5)}},
        Accepted{"{DAYREP.dt} < #2024-03-05#", "\"dt\" < ?", {QDate(2024, 3, 5)}},
        Accepted{"{DAYREP.dt} >= {counter.st_dt}", "\"dt\" >= ?", {QDate(2024, 3, 1)}},
        Accepted{"{DAYREP.netwt} <> -2.5", "\"netwt\" <> ?", {-2.5}},
        Accepted{"not ({DAYREP.truckno} = 'A' or {DAYREP.truckno} = 'B') and {DAYREP.num} > 1",
                 "((not (\"truckno\" = ? collate nocase or \"truckno\" = ? collate nocase)) and \"num\" > ?)", {"A", "B", qlonglong(1)}}));

class FormulaRefused : public ::testing::TestWithParam<const char *> {};

TEST_P(FormulaRefused, RaisesFormulaError)
{
    try {
        parseSelectionFormula(QString::fromUtf8(GetParam()), dayrep());
        FAIL() << "accepted: " << GetParam();
    } catch (const RuntimeError &e) {
        EXPECT_EQ(e.number(), FormulaErrorNumber);
        EXPECT_TRUE(e.description().startsWith("Error in formula")) << e.description().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Formulas, FormulaRefused,
                         ::testing::Values("{DAYREP.material}='O'Brien'",  // a quote inside the name
                                           "{DAYREP.material}='Sand",      // text not closed
                                           "{DAYREP.nosuch}='x'",          // no such column
                                           "{emp.material}='x'",           // not the report's source
                                           "{material}='x'",               // no table
                                           "{counter.nosuch} = 1",         // no such parameter
                                           "{DAYREP.material}",            // no comparison
                                           "{DAYREP.material} == 'x'",
                                           "{DAYREP.material} like 'S*'",
                                           "uppercase({DAYREP.material}) = 'X'",
                                           "{DAYREP.material}='Sand'; delete",
                                           "({DAYREP.num} = 1",
                                           "{DAYREP.dt} = Date(2024, 2, 30)",
                                           "{DAYREP.dt} = #31/31/2024#",
                                           "{DAYREP.num} = 1 and"));

TEST(FormulaError, NamesTheFault)
{
    try {
        parseSelectionFormula("{DAYREP.colour}='red'", dayrep());
        FAIL();
    } catch (const RuntimeError &e) {
        EXPECT_TRUE(e.description().contains("DAYREP has no column colour")) << e.description().toStdString();
    }
}

} // namespace

#include "batch.h"
#include "oracle.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>
#include <string>
#include <system_error>

namespace {

// Results always with a decimal comma here: the case where ',' output needs quotes.
const std::string Ref = "20;5;45;500;20;100;80;250";
const std::string RefResults = "5;100;2,32558139534884;2,67441860465116;200;15;46,5116279069767;";
const std::string RefOut = Ref + ";" + RefResults + "\n";
const std::string Header = "Pin;Pout;B;H;N;Q;Eta;CO";
const std::string HeaderOut = Header + ";P;Mw;Pw;Pa;COppm;Dp;Etaw;Avvisi\n";
const std::string Tab = "20\t5\t45\t500\t20\t100\t80\t250";
const std::string WPin(oracle::WarningTexts[0]), WCO(oracle::WarningTexts[7]);
const std::string Long(1024 * 1024 + 1, '7');     // one byte over the longest line kept
const std::string Padding(65535 - Ref.size(), ' '); // puts the CR last in the first 64 KiB read
const std::string Utf16 = "calorvin: lo standard input è in UTF-16: salvarlo come CSV UTF-8\n";
// A refused line's row: its eight entries as read, no results, the reason.
std::string Refused(const std::string& entries, const std::string& reason) { return entries + ";;;;;;;;" + reason + "\n"; }
// Every warning of a line of zeros (Pout may be zero).
const std::string Zeros = [] {
    std::string all(oracle::WarningTexts[0]);
    for (std::size_t i = 2; i < oracle::WarningTexts.size(); ++i)
        all += " | " + std::string(oracle::WarningTexts[i]);
    return all;
}();
const std::string Long59 = "20" + std::string(57, 'x'); // then a character across the 60th byte

struct BatchCase {
    const char* name;
    std::string in, out, err;
    int status;
};

void PrintTo(const BatchCase& c, std::ostream* os) { *os << c.name; }

class Batch : public testing::TestWithParam<BatchCase> {};

// Each row whole, and through the oracle the fuzz target uses.
TEST_P(Batch, WritesResultsAndMessages)
{
    const BatchCase& c = GetParam();
    std::istringstream in(c.in);
    std::ostringstream out, err;
    EXPECT_EQ(calorvin::EvaluateBatch(in, out, err, ","), c.status);
    EXPECT_EQ(out.str(), c.out);
    EXPECT_EQ(err.str(), c.err);
    EXPECT_EQ(oracle::CheckBatch(c.in), "");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Batch,
    testing::Values(
        BatchCase{"NoNewlineAtEnd", Ref, RefOut, "", 0},
        BatchCase{"HeaderCrLfBlankLines", " \t\r\n\r\n" + Header + "\r\n\r\n \n" + Ref + "\r\n\n", HeaderOut + RefOut, "", 0},
        BatchCase{"ByteOrderMark", "\xEF\xBB\xBF" + Header + "\n" + Ref, HeaderOut + RefOut, "", 0},
        BatchCase{"MarkStartingAFieldIsQuoted", "\xEF\xBB\xBF\"\xEF\xBB\xBFPin\"" + Header.substr(3), "\"\xEF\xBB\xBF" + HeaderOut.substr(0, 3) + "\"" + HeaderOut.substr(3), "", 0},
        BatchCase{"LoneCrEndsLines", Ref + "\r" + Ref + "\r\r" + Ref, RefOut + RefOut + RefOut, "", 0},
        BatchCase{"QuotesAndDoubledQuotes", "\"Peso \"\"Pin\"\"\";Pout;B;H;N;Q;Eta;CO\n\"20\";\"5\";45;500;20;100;80;\"250\"\n",
                  "\"Peso \"\"Pin\"\"\";Pout;B;H;N;Q;Eta;CO;P;Mw;Pw;Pa;COppm;Dp;Etaw;Avvisi\n" + RefOut, "", 0},
        BatchCase{"UnclosedQuoteEndsWithItsLine", Ref + "\n20;5;\"45;500\n" + Ref + "\r\n\"Peso\r\nIniziale\";1\n" + Ref,
                  RefOut + Refused("20;5;;;;;;", "virgolette non chiuse") + RefOut + Refused(";;;;;;;", "virgolette non chiuse")
                      + Refused("\"Iniziale\"\"\";1;;;;;;", "2 campi invece di 8") + RefOut,
                  "riga 2: virgolette non chiuse\nriga 4: virgolette non chiuse\nriga 5: 2 campi invece di 8\n", 1},
        BatchCase{"StrayQuotesStayInTheirField", Ref + "\n20\"x;5;45;500;20;100;80;250\n20;5;45;500;20;100;80;2\"50\n",
                  RefOut + "\"20\"\"x\";5;45;500;20;100;80;250;" + RefResults + "\n20;5;45;500;20;100;80;\"2\"\"50\";5;100;2,32558139534884;2,67441860465116;1,6;15;46,5116279069767;\n",
                  "riga 2, Peso Iniziale: \"20\"\"x\" letto come 20\nriga 3, CO al 13% di O2: \"2\"\"50\" letto come 2\n", 1},
        BatchCase{"WrongFieldCounts", "1;2;3;4;5;6;7\n" + Ref + "\n1;2;3;4;5;6;7;8;;9;\nx\n",
                  Refused("1;2;3;4;5;6;7;", "7 campi invece di 8") + RefOut + Refused("1;2;3;4;5;6;7;8", "10 campi invece di 8")
                      + Refused("x;;;;;;;", "1 campo invece di 8"),
                  "riga 1: 7 campi invece di 8\nriga 3: 10 campi invece di 8\nriga 4: 1 campo invece di 8\n", 1},
        BatchCase{"OwnOutputEvaluatedAgain", HeaderOut + RefOut + Ref + ";1;2;3;4;5;6;7;old\n" + Ref + ";1;2;3;4;5;6;7;8;9\n", HeaderOut + RefOut + RefOut
                      + Refused(Ref, "17 campi invece di 8"), "riga 4: 17 campi invece di 8\n", 1},
        BatchCase{"TrailingSeparatorsAreNotFields", Header + ";\n" + Ref + "; ;\t\n" + Ref + ";\"\"", HeaderOut + RefOut + RefOut, "", 0},
        BatchCase{"CommaSeparatorQuotesDecimalComma", "\"Peso;Pin\",Pout,B,H,N,Q,Eta,CO\n20,5,45,500,20,100,80,250\n",
                  "\"Peso;Pin\",Pout,B,H,N,Q,Eta,CO,P,Mw,Pw,Pa,COppm,Dp,Etaw,Avvisi\n20,5,45,500,20,100,80,250,5,100,\"2,32558139534884\",\"2,67441860465116\",200,15,\"46,5116279069767\",\n", "", 0},
        BatchCase{"TabSeparated", "\"a,b\"\tPout\tB\tH\tN\tQ\tEta\tCO\n" + Tab + "\n",
                  "\"a,b\"\tPout\tB\tH\tN\tQ\tEta\tCO\tP\tMw\tPw\tPa\tCOppm\tDp\tEtaw\tAvvisi\n" + Tab + "\t5\t100\t2,32558139534884\t2,67441860465116\t200\t15\t46,5116279069767\t\n", "", 0},
        BatchCase{"SpreadsheetSeparatorLine", "sep=,\r\n20;5,5,45,500,20,100,80,250\n",
                  "sep=,\n20;5,5,45,500,20,100,80,250,5,100,\"2,32558139534884\",\"2,67441860465116\",200,15,\"46,5116279069767\",\n",
                  "riga 2, Peso Iniziale: \"20;5\" letto come 20\n", 1},
        BatchCase{"SeparatorInsideQuotes", "20,5,\"2,1\",500,20,100,80,250\n",
                  "20,5,\"2,1\",500,20,100,80,250,\"0,222222222222222\",100,\"2,32558139534884\",\"-2,10335917312662\",200,15,\"1046,51162790698\",\n",
                  "riga 1, Massa Comb. B: \"2,1\" letto come 2\n", 1},
        BatchCase{"EntriesNotReadWhole", "20,e; 5 ;4 5;500;20;100;80kg;abc\n", // ';' before ','
                  "20,e; 5 ;4 5;500;20;100;80kg;abc;5;100;2,32558139534884;2,67441860465116;0;15;46,5116279069767;" + WCO + "\n",
                  "riga 1, Peso Iniziale: \"20,e\" letto come 20\nriga 1, Rendimento Comb.: \"80kg\" letto come 80\n"
                  "riga 1, CO al 13% di O2: \"abc\" letto come 0\n", 1},
        BatchCase{"MessagesShowNoRawByte", "\"\x1b[2J\t\"\"\xff\xc2\x9b\\\xc3\xa9\u202E\u2028\u2066\u061C\";5;45;500;20;100;80;250\n",
                  "\"\x1b[2J\t\"\"\xff\xc2\x9b\\\xc3\xa9\u202E\u2028\u2066\u061C\";5;45;500;20;100;80;250;;;;;;;;" + WPin + "\n",
                  "riga 1, Peso Iniziale: \"\\x1b[2J\\t\"\"\\xff\\xc2\\x9b\\\\\xc3\xa9\\xe2\\x80\\xae\\xe2\\x80\\xa8\\xe2\\x81\\xa6\\xd8\\x9c\" letto come 0\n", 1},
        BatchCase{"EmptyFieldFailsGate", ";5;45;500;20;100;80;0\n" + Ref, ";5;45;500;20;100;80;0;;;;;;;;" + WPin + " | " + WCO + "\n" + RefOut, "", 0},
        BatchCase{"CrLfAcrossChunks", Padding + Ref + "\r\n" + Ref, Padding + RefOut + RefOut, "", 0},
        BatchCase{"TooLongLine", "1;" + Long + "\n" + Ref, Refused("1;;;;;;;", "più di 1048576 byte") + RefOut, "riga 1: più di 1048576 byte\n", 1},
        BatchCase{"OnlyByteOrderMark", "\xEF\xBB\xBF", "", "", 0},
        BatchCase{"EmptyFirstLineIsATest", ";;;;;;;\n", ";;;;;;;;;;;;;;;" + Zeros + "\n", "", 0},
        BatchCase{"HeaderOnlyFirst", Ref + "\nPin; ; ; ; ; ; ; ", RefOut + "Pin; ; ; ; ; ; ; ;;;;;;;;" + Zeros + "\n",
                  "riga 2, Peso Iniziale: \"Pin\" letto come 0\n", 1},
        BatchCase{"LongEntryCutAtACharacter", Long59 + "\xC3\xA9;5;45;500;20;100;80;250", Long59 + "\xC3\xA9;5;45;500;20;100;80;250;" + RefResults + "\n",
                  "riga 1, Peso Iniziale: \"" + Long59 + "...\" letto come 20\n", 1},
        BatchCase{"OutOfRangeNamed", "20;5;45;500;20;1e400;80;1e-400\n20;5;45;500;20;100;80;0.0e-999",
                  "20;5;45;500;20;1e400;80;1e-400;5;;;;0;15;;" + WCO + "\n20;5;45;500;20;100;80;0.0e-999;5;100;2,32558139534884;2,67441860465116;0;15;46,5116279069767;" + WCO + "\n",
                  "riga 1, Portata  Q: \"1e400\" è un numero troppo grande\nriga 1, CO al 13% di O2: \"1e-400\" è un numero troppo piccolo: letto come 0\n", 1},
        BatchCase{"BlankResultsNamed", "20;5;45;500;1e300;1e300;80;250", "20;5;45;500;1e300;1e300;80;250;5;1E+300;;;200;15;;\n",
                  "riga 1: risultati non calcolabili, lasciati vuoti: Pw, Pa, Etaw\n", 1},
        BatchCase{"FieldCountPerLine", Ref + ";1;2\n;;;;;;;;;\n", Refused(Ref, "10 campi invece di 8") + ";;;;;;;;;;;;;;;" + Zeros + "\n",
                  "riga 1: 10 campi invece di 8\n", 1},
        BatchCase{"Utf16LittleEndian", "\xFF\xFE" "2\0" + Ref, "", Utf16, 2},
        BatchCase{"Utf16BigEndian", "\xFE\xFF\0" "2" + Ref, "", Utf16, 2},
        BatchCase{"Utf16WithoutMark", std::string("2\0" "0\0;\0" "5\0\r\0\n\0", 12), "", Utf16, 2},
        BatchCase{"Utf32WithoutMark", std::string("\0\0\0" "2\0\0\0;", 8), "", "calorvin: lo standard input è in UTF-32: salvarlo come CSV UTF-8\n", 2},
        BatchCase{"NulInTextIsNotUtf16", Ref + '\0', RefOut.substr(0, Ref.size()) + '\0' + RefOut.substr(Ref.size()),
                  "riga 1, CO al 13% di O2: \"250\\x00\" letto come 250\n", 1}),
    [](const testing::TestParamInfo<BatchCase>& p) { return std::string(p.param.name); });

// Gives its text, then fails to read with `error`.
class FailingBuffer : public std::streambuf {
public:
    FailingBuffer(std::string text, int error) : m_text(std::move(text)), m_error(error)
    {
        setg(m_text.data(), m_text.data(), m_text.data() + m_text.size());
    }

protected:
    int_type underflow() override { throw std::system_error(m_error, std::generic_category()); }

private:
    std::string m_text;
    int m_error;
};

// A folder opened by name, a read failing after the first chunk (standard
// input and a full disk: tests/cli).
TEST(Batch, ReadFailuresEndWithStatusTwo)
{
    std::ostringstream out, err;
    EXPECT_EQ(calorvin::EvaluateBatchFile(".", out, err, "."), 2);
    EXPECT_EQ(err.str(), "calorvin: impossibile leggere \".\": è una cartella\n");

    FailingBuffer unreadable(std::string(65535, ' ') + "\n", EACCES);
    std::istream in(&unreadable);
    err.str("");
    EXPECT_EQ(calorvin::EvaluateBatch(in, out, err, ".", "a\nb.csv"), 2);
    EXPECT_EQ(err.str(), "calorvin: impossibile leggere \"a\\nb.csv\" dopo la riga 1: permesso negato\n");
    EXPECT_EQ(out.str(), "");
}

} // namespace

#include "batch.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

// Results always with a decimal comma here: the case where ',' output needs quotes.
const std::string Ref = "20;5;45;500;20;100;80;250";
const std::string RefResults = "5;100;2,32558139534884;2,67441860465116;200;15;46,5116279069767;";
const std::string RefOut = Ref + ";" + RefResults + "\n";
const std::string Header = "Pin;Pout;B;H;N;Q;Eta;CO";
const std::string HeaderOut = Header + ";P;Mw;Pw;Pa;COppm;Dp;Etaw;Avvisi\n";
const std::string WPin = "Il valore immesso del peso iniziale deve essere maggiore di zero";
const std::string WCO = "Il valore della media del CO normalizzato al 13% deve essere maggiore di zero";
const std::string Long(1024 * 1024 + 1, '7');     // one byte over the longest line kept
const std::string Padding(65535 - Ref.size(), ' '); // puts the CR last in the first 64 KiB read

struct BatchCase {
    const char* name;
    std::string in, out, err;
    int status;
};

void PrintTo(const BatchCase& c, std::ostream* os) { *os << c.name; }

class Batch : public testing::TestWithParam<BatchCase> {};

TEST_P(Batch, WritesResultsAndMessages)
{
    const BatchCase& c = GetParam();
    std::istringstream in(c.in);
    std::ostringstream out, err;
    EXPECT_EQ(calorvin::EvaluateBatch(in, out, err, ","), c.status);
    EXPECT_EQ(out.str(), c.out);
    EXPECT_EQ(err.str(), c.err);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Batch,
    testing::Values(
        BatchCase{"NoNewlineAtEnd", Ref, RefOut, "", 0},
        BatchCase{"HeaderCrLfEmptyLines", "\r\n" + Header + "\r\n\r\n" + Ref + "\r\n\n", HeaderOut + RefOut, "", 0},
        BatchCase{"ByteOrderMark", "\xEF\xBB\xBF" + Header + "\n" + Ref, HeaderOut + RefOut, "", 0},
        BatchCase{"QuotesAndDoubledQuotes", "\"Peso \"\"Pin\"\"\";Pout;B;H;N;Q;Eta;CO\n\"20\";\"5\";45;500;20;100;80;\"250\"\n",
                  "\"Peso \"\"Pin\"\"\";Pout;B;H;N;Q;Eta;CO;P;Mw;Pw;Pa;COppm;Dp;Etaw;Avvisi\n" + RefOut, "", 0},
        BatchCase{"QuotedLineBreakCountsLines", "\"Peso\r\nIniziale\";Pout;B;H;N;Q;Eta;CO\r\n1;2;3;4;5;6;7\n",
                  "\"Peso\r\nIniziale\";Pout;B;H;N;Q;Eta;CO;P;Mw;Pw;Pa;COppm;Dp;Etaw;Avvisi\n",
                  "riga 3: 7 campi invece di 8\n", 1},
        BatchCase{"WrongFieldCounts", "1;2;3;4;5;6;7\n" + Ref + "\n1;2;3;4;5;6;7;8;9\nx\n", RefOut,
                  "riga 1: 7 campi invece di 8\nriga 3: 9 campi invece di 8\nriga 4: 1 campo invece di 8\n", 1},
        BatchCase{"CommaSeparatorQuotesDecimalComma", "\"Peso;Pin\",Pout,B,H,N,Q,Eta,CO\n20,5,45,500,20,100,80,250\n",
                  "Peso;Pin,Pout,B,H,N,Q,Eta,CO,P,Mw,Pw,Pa,COppm,Dp,Etaw,Avvisi\n20,5,45,500,20,100,80,250,5,100,\"2,32558139534884\",\"2,67441860465116\",200,15,\"46,5116279069767\",\n", "", 0},
        BatchCase{"SeparatorInsideQuotes", "20,5,\"2,1\",500,20,100,80,250\n",
                  "20,5,\"2,1\",500,20,100,80,250,\"0,222222222222222\",100,\"2,32558139534884\",\"-2,10335917312662\",200,15,\"1046,51162790698\",\n",
                  "riga 1, Massa Comb. B: \"2,1\" letto come 2\n", 0},
        BatchCase{"EntriesNotReadWhole", "20e; 5 ;4 5;500;20;100;80kg;abc\n",
                  "20e; 5 ;4 5;500;20;100;80kg;abc;5;100;2,32558139534884;2,67441860465116;0;15;46,5116279069767;" + WCO + "\n",
                  "riga 1, Peso Iniziale: \"20e\" letto come 20\nriga 1, Rendimento Comb.: \"80kg\" letto come 80\n"
                  "riga 1, CO al 13% di O2: \"abc\" letto come 0\n", 0},
        BatchCase{"EmptyFieldFailsGate", ";5;45;500;20;100;80;250\n" + Ref, ";5;45;500;20;100;80;250;;;;;;;;" + WPin + "\n" + RefOut, "", 0},
        BatchCase{"UnclosedQuoteAtEnd", Ref + "\n20;5;\"45;500\n", RefOut, "riga 2: virgolette non chiuse\n", 1},
        BatchCase{"CrLfAcrossChunks", Padding + Ref + "\r\n" + Ref, Padding + RefOut + RefOut, "", 0},
        BatchCase{"TooLongLine", "1;" + Long + "\n" + Ref, RefOut, "riga 1: più di 1048576 byte\n", 1}),
    [](const testing::TestParamInfo<BatchCase>& p) { return std::string(p.param.name); });

TEST(Batch, FailuresEndWithStatusTwo)
{
    std::ostringstream out, err;
    EXPECT_EQ(calorvin::EvaluateBatchFile("no/such.csv", out, err, "."), 2);
    EXPECT_EQ(err.str(), "calorvin: impossibile leggere \"no/such.csv\": file inesistente\n");

    std::istringstream unreadable(Ref);
    unreadable.setstate(std::ios::badbit);
    err.str("");
    EXPECT_EQ(calorvin::EvaluateBatch(unreadable, out, err, "."), 2);
    EXPECT_EQ(err.str(), "calorvin: lettura interrotta alla riga 1\n");

    std::istringstream in(Ref);
    out.setstate(std::ios::badbit);
    err.str("");
    EXPECT_EQ(calorvin::EvaluateBatch(in, out, err, "."), 2);
    EXPECT_EQ(err.str(), "calorvin: scrittura dei risultati non riuscita\n");
}

} // namespace

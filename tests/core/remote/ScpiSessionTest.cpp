#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/remote/ScpiCall.h"
#include "core/remote/ScpiSession.h"

namespace qx::remote {
namespace {

class StubDevice : public ScpiDevice {
 public:
  ScpiIdentity Identity() override { return {"Maker", "Model", "SN7", "2.0"}; }
  int SelfTest() override { return selfTest; }
  int selfTest = 0;
};

/// A session over a small table of test commands, among them a slow operation that the test
/// ends by hand, as the event loop would end a capture.
class ScpiSessionTest : public ::testing::Test {
 protected:
  ScpiSessionTest() {
    tree.Add("TEST:SLOW?", [this](ScpiCall& c) { ids.push_back(c.Defer()); });
    tree.Add("TEST:SLOW", [this](ScpiCall& c) { ids.push_back(c.Defer()); });
    tree.Add("TEST:VOLTage", [this](ScpiCall& c) {
      if (!c.Count(1, 1)) return;
      if (const auto v = c.Real(0, -10, 10, "V")) volts = *v;
    });
    tree.Add("TEST:VOLTage?", [this](ScpiCall& c) { c.Reply(format::Number(volts)); });
    tree.Add("TEST:ECHO?", [](ScpiCall& c) {
      std::string out;
      for (const ScpiParam& p : c.Params())
        out += (out.empty() ? "" : ",") + format::Quoted(p.text);
      c.Reply(out);
    });
    tree.Add("TEST:DATA?", [](ScpiCall& c) {
      const double values[] = {1, -2, 258};
      c.Reply(format::Values(values, c.Format()));
    });
  }

  StubDevice device;
  ScpiCommandTree tree;
  ScpiSession session{tree, device};
  std::vector<uint64_t> ids;
  double volts = 0;
};

struct BytesCase {
  const char* name;
  std::string in;
  std::string out;
};

class SessionBytes : public ScpiSessionTest, public ::testing::WithParamInterface<BytesCase> {};

TEST_P(SessionBytes, ExactReply) {
  EXPECT_EQ(session.Feed(GetParam().in), GetParam().out);
}

TEST_P(SessionBytes, SameReplyWhenTheBytesComeOneByOne) {
  std::string out;
  for (const char c : GetParam().in) out += session.Feed(std::string(1, c));
  EXPECT_EQ(out, GetParam().out);
}

using namespace std::string_literals;

const std::string kNoError = "0,\"No error\"\n";

INSTANTIATE_TEST_SUITE_P(
    Protocol, SessionBytes,
    ::testing::Values(
        BytesCase{"Idn", "*IDN?\n", "Maker,Model,SN7,2.0\n"},
        BytesCase{"CrLf", "*idn?\r\n", "Maker,Model,SN7,2.0\n"},
        BytesCase{"EmptyQueue", "syst:err?\n", kNoError},
        BytesCase{"LongFormWithOptionalNode", "SYSTem:ERRor:NEXT?\n", kNoError},
        BytesCase{"MixedFormIsNoForm", "SYSTE:ERR?\nSYST:ERR?\n",
                  "-113,\"Undefined header;SYSTE:ERR?\"\n"},
        BytesCase{"SeveralRepliesInOneLine", "*IDN?;*TST?\n", "Maker,Model,SN7,2.0;0\n"},
        BytesCase{"PathContinues", "FORM:DATA REAL,64;BORD SWAP;:FORM:BORD?;DATA?\n",
                  "SWAP;REAL,64\n"},
        BytesCase{"CommonCommandKeepsPath", "FORM:DATA INT;*IDN?;BORD?\n",
                  "Maker,Model,SN7,2.0;NORM\n"},
        BytesCase{"PathIsNoRoot", "FORM:DATA ASC;SYST:ERR?\nSYST:ERR?\n",
                  "-113,\"Undefined header;SYST:ERR?\"\n"},
        BytesCase{"ErrorEndsTheMessage", "FOO;*IDN?\nSYST:ERR?;ERR?\n",
                  "-113,\"Undefined header;FOO\";" + kNoError},
        BytesCase{"PathStartsAgainEachMessage", "FORM:DATA ASC\nBORD?\n:SYST:ERR?\n",
                  "-113,\"Undefined header;BORD?\"\n"},
        BytesCase{"Syntax", "FORM:DATA @\nSYST:ERR?\n", "-102,\"Syntax error\"\n"},
        BytesCase{"EmptyUnit", "*IDN?;;*TST?\nSYST:ERR?\n",
                  "Maker,Model,SN7,2.0\n-102,\"Syntax error\"\n"},
        BytesCase{"EmptyMessage", "\n  \r\n*TST?\n", "0\n"},
        BytesCase{"MissingParameter", "FORM:BORD\nSYST:ERR?\n", "-109,\"Missing parameter\"\n"},
        BytesCase{"ParameterNotAllowed", "*IDN? 1\nSYST:ERR?\n",
                  "-108,\"Parameter not allowed\"\n"},
        BytesCase{"IllegalValue", "FORM:BORD UP\nSYST:ERR?\n",
                  "-224,\"Illegal parameter value\"\n"},
        BytesCase{"OutOfRange", "*ESE 256\nSYST:ERR?\n", "-222,\"Data out of range\"\n"},
        BytesCase{"NotANumber", "*ESE 'x'\nSYST:ERR?\n", "-220,\"Parameter error\"\n"},
        BytesCase{"Fraction", "*ESE 1.5\nSYST:ERR?\n", "-224,\"Illegal parameter value\"\n"},
        BytesCase{"Radixes", "*ESE #H24;*ESE?;*SRE #b101;*SRE?;*ESE #Q17;*ESE?\n", "36;5;15\n"},
        BytesCase{"Exponent", "*ESE 1.2E1;*ESE?\n", "12\n"},
        BytesCase{"MinimumAndMaximum",
                  "*ESE MAX;*ESE?;*ESE min;*ESE?;:TEST:VOLT MAXIMUM;VOLT?;VOLT MIN;VOLT?\n",
                  "255;0;10;-10\n"},
        BytesCase{"OtherWordIsNoNumber", "*ESE MAXI\nSYST:ERR?\n", "-220,\"Parameter error\"\n"},
        BytesCase{"SiSuffix", "TEST:VOLT 250 mV;VOLT?;VOLT -2.5E-1V;VOLT?;VOLT 0.5;VOLT?\n",
                  "0.25;-0.25;0.5\n"},
        BytesCase{"WrongUnit", "TEST:VOLT 1 A\nSYST:ERR?\n", "-131,\"Invalid suffix\"\n"},
        BytesCase{"NoUnitHere", "*ESE 1 V\nSYST:ERR?\n", "-138,\"Suffix not allowed\"\n"},
        BytesCase{"UnitScaledOutOfRange", "TEST:VOLT 20000 mV\nSYST:ERR?\n",
                  "-222,\"Data out of range\"\n"},
        BytesCase{"Strings", "TEST:ECHO? 'it''s', \"say \"\"hi\"\"\" , 'a;b'\n",
                  "\"it's\",\"say \"\"hi\"\"\",\"a;b\"\n"},
        BytesCase{"BlockHoldsLfAndSemicolon", "TEST:ECHO? #15a\n;bc;*TST?\n", "\"a\n;bc\";0\n"},
        BytesCase{"HashInStringIsNoBlock", "TEST:ECHO? '#15'\n*TST?\n", "\"#15\"\n0\n"},
        BytesCase{"UnclosedQuoteEndsAtLf", "TEST:ECHO? 'abc\n*TST?;:SYST:ERR?\n",
                  "0;-102,\"Syntax error\"\n"},
        BytesCase{"BlockLongerThanMessage", "TEST:ECHO? #3999ab\nSYST:ERR?\n",
                  ""},  // the LF is block data: the session waits for the rest
        BytesCase{"Ascii", "TEST:DATA?\n", "1,-2,258\n"},
        BytesCase{"Int32", "FORM INT,32;:TEST:DATA?\n", "#212\0\0\0\1\xFF\xFF\xFF\xFE\0\0\1\2\n"s},
        BytesCase{"Int32Swapped", "FORM INT;:FORM:BORD SWAP;:TEST:DATA?\n",
                  "#212\1\0\0\0\xFE\xFF\xFF\xFF\2\1\0\0\n"s},
        BytesCase{"Real64", "FORM:DATA REAL,64;:TEST:DATA?\n",
                  "#224\x3F\xF0\0\0\0\0\0\0\xC0\0\0\0\0\0\0\0\x40\x70\x20\0\0\0\0\0\n"s},
        BytesCase{"WrongWidth", "FORM REAL,32\nSYST:ERR?;:FORM?\n",
                  "-222,\"Data out of range\";ASC\n"},
        BytesCase{"ResetFormat", "FORM:DATA REAL;BORD SWAP;*RST;:FORM?;:FORM:BORD?\n",
                  "ASC;NORM\n"},
        // The path follows the header as typed: after FORM alone it is the root again.
        BytesCase{"ShortHeaderPath", "FORM ASC;BORD?\nSYST:ERR?\n",
                  "-113,\"Undefined header;BORD?\"\n"},
        BytesCase{"EventRegisterClearsOnRead", "FOO\n*ESR?;*ESR?\n", "32;0\n"},
        BytesCase{"ErrorClasses", "*ESE 300\n*ESR?\n*IDN? 1\n*ESR?\n", "16\n32\n"},
        BytesCase{"StatusByte", "*ESE 32;*SRE 32\nFOO\n*STB?\n", "100\n"},
        BytesCase{"MessageAvailable", "*IDN?;*STB?\n", "Maker,Model,SN7,2.0;16\n"},
        BytesCase{"Clear", "FOO\n*CLS;*STB?;:SYST:ERR?\n", "0;" + kNoError},
        BytesCase{"ErrorCount", "FOO\nBAR\nSYST:ERR:COUN?;NEXT?;COUN?\n",
                  "2;-113,\"Undefined header;FOO\";1\n"},
        BytesCase{"OpcWithNothingRunning", "*OPC;*ESR?;*OPC?;*WAI;*TST?\n", "1;1;0\n"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(ScpiSessionTest, FullQueueKeepsTheOldestAndSaysItOverflowed) {
  std::string in;
  for (int i = 0; i < 20; ++i) in += "BAD" + std::to_string(i) + "\n";
  session.Feed(in);
  EXPECT_EQ(session.Feed("SYST:ERR:COUN?\n"), "16\n");
  EXPECT_EQ(session.Feed("SYST:ERR?\n"), "-113,\"Undefined header;BAD0\"\n");
  for (int i = 1; i < 15; ++i) session.Feed("SYST:ERR?\n");
  EXPECT_EQ(session.Feed("SYST:ERR?\n"), "-350,\"Queue overflow\"\n");
  EXPECT_EQ(session.Feed("SYST:ERR?\n"), kNoError);
}

struct SizeCase {
  const char* name;
  size_t length;  ///< bytes of the message before its LF
  std::string reply;
};

class MessageSize : public ScpiSessionTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(MessageSize, OverlongMessageIsDroppedAndTheSessionGoesOn) {
  // "*ESE" padded with blanks to the length, then the value 7.
  std::string message = "*ESE" + std::string(GetParam().length - 5, ' ') + "7\n";
  EXPECT_EQ(session.Feed(message + "*ESE?;:SYST:ERR?\n"), GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(
    Limit, MessageSize,
    ::testing::Values(SizeCase{"AtTheLimit", ScpiSession::kMaxMessage, "7;" + kNoError},
                      SizeCase{"OneOver", ScpiSession::kMaxMessage + 1,
                               "0;-363,\"Input buffer overrun;message over 64 KiB dropped\"\n"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(ScpiSessionTest, EveryByteValueIsAnErrorNeverAHang) {
  std::string garbage;
  for (int b = 0; b < 256; ++b)
    if (b != '\n') garbage.push_back(static_cast<char>(b));
  EXPECT_EQ(session.Feed(garbage + "\n*TST?\n"), "0\n");
  EXPECT_EQ(session.Feed("SYST:ERR?\n"), "-102,\"Syntax error\"\n");
}

// ---- operations that end later ----

TEST_F(ScpiSessionTest, DeferredQueryHoldsWhatFollowsUntilItsReply) {
  EXPECT_EQ(session.Feed("TEST:SLOW?;*TST?\n*ESE 4;*ESE?\n"), "");
  ASSERT_EQ(ids.size(), 1u);
  EXPECT_TRUE(session.Holding());
  EXPECT_EQ(session.Complete(ids[0], "42"), "42;0\n4\n");
  EXPECT_FALSE(session.Holding());
  EXPECT_EQ(session.Complete(ids[0], "again"), "");  // already ended
}

TEST_F(ScpiSessionTest, FailedDeferredQueryQueuesItsErrorAndTheRestRuns) {
  session.Feed("TEST:SLOW?;*TST?\n");
  EXPECT_EQ(session.Fail(ids.at(0), 201, "capture stopped"), "0\n");
  EXPECT_EQ(session.Feed("SYST:ERR?;*ESR?\n"), "201,\"capture stopped\";8\n");
}

TEST_F(ScpiSessionTest, DeferredCommandRunsAlongsideUntilWaitOrOpcQuery) {
  EXPECT_EQ(session.Feed("TEST:SLOW;*TST?;*OPC;*ESR?;*OPC?;*TST?\n"), "");
  EXPECT_EQ(session.Running(), 1u);
  EXPECT_EQ(session.Complete(ids.at(0)), "0;0;1;0\n");
  EXPECT_EQ(session.Feed("*ESR?\n"), "1\n");  // the *OPC above, set when the operation ended

  EXPECT_EQ(session.Feed("TEST:SLOW;*WAI;*TST?\n"), "");
  EXPECT_EQ(session.Complete(ids.at(1)), "0\n");
}

TEST_F(ScpiSessionTest, OpcWaitsForEveryRunningOperation) {
  session.Feed("TEST:SLOW;SLOW;*OPC?\n");
  ASSERT_EQ(ids.size(), 2u);
  EXPECT_EQ(session.Complete(ids[1]), "");
  EXPECT_EQ(session.Complete(ids[0]), "1\n");
}

TEST_F(ScpiSessionTest, ClearOfAWaitingQueryLosesItsReplyWithQueryInterrupted) {
  session.Feed("TEST:SLOW?\n*TST?\n");
  session.DeviceClear();
  EXPECT_EQ(session.Complete(ids.at(0), "late"), "");
  EXPECT_EQ(session.Feed("SYST:ERR?;*TST?\n"), "-410,\"Query INTERRUPTED\";0\n");
}

TEST_F(ScpiSessionTest, ClearCancelsAnArmedOpc) {
  session.Feed("TEST:SLOW;*OPC\n*CLS\n");
  session.Complete(ids.at(0));
  EXPECT_EQ(session.Feed("*ESR?\n"), "0\n");
}

TEST_F(ScpiSessionTest, SelfTestTellsTheDevicesAnswer) {
  device.selfTest = 1;
  EXPECT_EQ(session.Feed("*TST?\n"), "1\n");
}

}  // namespace
}  // namespace qx::remote

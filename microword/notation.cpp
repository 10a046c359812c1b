// zanfo: reading a microword back into the items that write it.
//
// A word splits into independent parts, each written by its own kind of
// item: the breakpoint (HALT), the sequencer (JUMP, CALL, RET, ...), the
// shifter (ASR, LSR, LSL), the flag loads (LDUFLAG, LDMFLAG), the bus loads
// (LDIR, LDMAR) and one ALU item (an assignment, a one- or two-operand
// operation, or COMP).  Only the ALU item takes thought: its operands are
// read from the source pair and the ports, its destination from AluDest or
// from the bus transfer, its operator from the function and the carry.
#include "notation.h"

#include <cinttypes>
#include <cstdio>

#include "microword.h"

namespace {

// The fields of one word.
struct Fields {
    explicit Fields(uint64_t w)
        : brk(GetField(w, Field::Break)),
          ccen(GetField(w, Field::CondEnable)),
          seq(GetField(w, Field::Sequencer)),
          y(GetField(w, Field::YBusCtrl)),
          shift(GetField(w, Field::ShiftCtrl)),
          cc(GetField(w, Field::CondCode)),
          flag(GetField(w, Field::FlagInstr)),
          carry(GetField(w, Field::CarryIn)),
          dst(GetField(w, Field::AluDest)),
          fun(GetField(w, Field::AluFunction)),
          src(GetField(w, Field::AluSource)),
          ar(GetField(w, Field::RegSelect)),
          regb(GetField(w, Field::RegB)),
          rega(GetField(w, Field::RegA)),
          cte(GetField(w, Field::ConstantAddr)) {}

    uint32_t brk, ccen, seq, y, shift, cc, flag, carry, dst, fun, src, ar, regb, rega, cte;
};

// What the parentheses of a sequencer item hold.
enum class Operand { None, Target, Count };

// zanfo's sequencer items, by the Am2910 instruction each one writes.
struct SequencerItem {
    uint32_t code;     // Sequencer field
    const char *word;  // the item
    bool conditional;  // may take a condition (CondEnable 0, CondCode)
    Operand operand;   // what it puts in ConstantAddr
};
const SequencerItem kSequencerItems[] = {
    // code  item       condition  ConstantAddr
    {0,      "JMPZ",    false,     Operand::None},
    {1,      "CALL",    true,      Operand::Target},
    {2,      "JMAP",    false,     Operand::None},
    {3,      "JUMP",    true,      Operand::Target},
    {8,      "LOOP",    false,     Operand::Target},
    {10,     "RET",     true,      Operand::None},
    {12,     "LDCOUNT", false,     Operand::Count},
};
constexpr uint32_t kContinue = 14;  // CONT: what a word without a sequencer item holds

// The ALU's inputs and the Am2901's source pairs (R, S), by AluSource.
enum class Input { A, B, Q, D, Zero };
const struct {
    Input r, s;
} kSourcePairs[8] = {
    {Input::A, Input::Q},    {Input::A, Input::B},    {Input::Zero, Input::Q},
    {Input::Zero, Input::B}, {Input::Zero, Input::A}, {Input::D, Input::A},
    {Input::D, Input::Q},    {Input::D, Input::Zero},
};

// Two-operand operators by AluFunction, with the CarryIn each needs.  Both
// 1 (S - R) and 2 (R - S) are "-": which operand stands first says which.
const struct {
    const char *word;
    uint32_t carry;
} kOperators[8] = {
    {"+", 0}, {"-", 1}, {"-", 1}, {"OR", 0}, {"AND", 0}, {"NOTRS", 0}, {"XOR", 0}, {"XNOR", 0},
};

// One-operand items: zero on R, the operand on S and as the destination.
const struct {
    uint32_t fun, carry;
    const char *word;
} kUnary[] = {
    {0, 1, "INCR"},  // 0 + S + 1
    {1, 0, "DECR"},  // S + ~0
    {2, 0, "NOT"},   // 0 + ~S
    {2, 1, "NEG"},   // 0 + ~S + 1
};

// AluDest codes.
constexpr uint32_t kDestFromD = 5;      // B register loaded from the D bus
constexpr uint32_t kDestQFromD = 7;     // Q loaded from the D bus
constexpr uint32_t kDestQ = 8;          // Q loaded from the ALU
constexpr uint32_t kDestNone = 9;       // nowhere
constexpr uint32_t kDestB = 11;         // B register loaded from the ALU
constexpr uint32_t kDestBRight = 13;    // ... shifted right
constexpr uint32_t kDestBLeft = 15;     // ... shifted left

// YBusCtrl codes.
constexpr uint32_t kBusMemToD = 1, kBusLoadIr = 2, kBusAluToMem = 4, kBusLoadMar = 5,
                   kBusAluToFlags = 6, kBusConstToD = 7, kBusConstToMem = 8,
                   kBusConstToFlags = 9, kBusFlagsToD = 10;

// FlagInstr codes.
constexpr uint32_t kFlagReadU = 2, kFlagReadM = 3, kFlagLoadU = 4, kFlagLoadM = 5,
                   kFlagBusU = 6, kFlagBusM = 7;

std::string Number(uint32_t n) { return std::to_string(n); }

// "Sequencer 4 (PUSH)", "AluDest 6".
std::string FieldValueText(Field field, uint32_t value) {
    std::string text = std::string(InfoOf(field).name) + " " + Number(value);
    const FieldValue *named = FindValue(field, value);
    if (named && Number(value) != named->name)
        text += std::string(" (") + named->name + ")";
    return text;
}

std::string ConditionWord(uint32_t cc) { return FindValue(Field::CondCode, cc)->name; }

class Decoder {
  public:
    Decoder(uint64_t word, const LabelNamer &names) : f_(word), names_(names) {
        for (const FieldInfo &info : kFieldTable) {
            uint32_t value = GetField(word, info.field);
            if (!ZanfoWrites(info.field, value))
                notes_.push_back(FieldValueText(info.field, value));
        }
        DecodeSequencer();
        DecodeShift();
        DecodeAlu();
        DecodeLeftovers();
    }

    std::vector<ItemList> Spellings() const {
        std::vector<ItemList> lists;
        for (const std::string &alu : alu_) {
            ItemList items;
            for (const std::string *item : {&alu, &shift_, &flagLoad_, &busLoad_, &sequencer_, &halt_})
                if (!item->empty())
                    items.push_back(*item);
            lists.push_back(items);
        }
        return lists;
    }

    const std::vector<std::string> &Notes() const { return notes_; }

  private:
    std::string Target(uint32_t address) const {
        std::string name = names_ ? names_(address) : std::string();
        return name.empty() ? AddressNumber(address) : name;
    }

    void DecodeSequencer() {
        const SequencerItem *item = nullptr;
        for (const SequencerItem &s : kSequencerItems)
            if (s.code == f_.seq)
                item = &s;
        bool conditionUsed = false;
        if (item) {
            std::string operand;
            if (item->operand == Operand::Target)
                operand = Target(f_.cte);
            else if (item->operand == Operand::Count)
                operand = Number(f_.cte);
            seqTakesConst_ = item->operand != Operand::None;
            conditionUsed = item->conditional && f_.ccen == 0;
            if (conditionUsed)
                operand += (operand.empty() ? "" : ", ") + ConditionWord(f_.cc);
            sequencer_ = item->word;
            if (!operand.empty())
                sequencer_ += "(" + operand + ")";
        }
        if (f_.ccen == 0 && !conditionUsed && (item || f_.seq == kContinue))
            notes_.push_back("CondEnable 0 (test) with " + FieldValueText(Field::Sequencer, f_.seq) +
                             ", which zanfo never makes conditional");
        if (f_.cc != 0 && !conditionUsed && (item || f_.seq == kContinue))
            notes_.push_back(FieldValueText(Field::CondCode, f_.cc) + " with no condition tested");
    }

    // The shifter folds into AluDest: 13 is the B destination shifted right
    // (LSR, or ASR with ShiftCtrl 2), 15 shifted left (LSL and ASL alike).
    void DecodeShift() {
        dest_ = f_.dst;
        bool shiftUsed = false;
        if (f_.dst == kDestBRight) {
            dest_ = kDestB;
            shift_ = f_.shift == 2 ? "ASR" : "LSR";
            shiftUsed = true;
        } else if (f_.dst == kDestBLeft) {
            dest_ = kDestB;
            shift_ = "LSL";
            shiftUsed = f_.shift == 0;
        }
        if (f_.shift == 2 && !shiftUsed)
            notes_.push_back("ShiftCtrl 2 (arithmetic) without a right shift");
    }

    std::string Port(Input in) const {
        switch (in) {
        case Input::A:
            return f_.ar & 1 ? "IRA" + Number(f_.rega >> 4 & 3) : "R" + Number(f_.rega);
        case Input::B:
            return f_.ar & 2 ? "IRB" + Number(f_.regb >> 4 & 3) : "R" + Number(f_.regb);
        case Input::Q:
            return "RQ";
        case Input::Zero:
            return "0";
        case Input::D:
            break;
        }
        // The D bus: memory, the constant, or the flag register FlagInstr
        // names; with any other bus code the machine reads 0.
        if (f_.y == kBusMemToD)
            return "MEM";
        // A 0 written in an operation is the ALU's own zero input, not the
        // bus: 65536 is the number that puts a 0 constant on the bus.
        if (f_.y == kBusConstToD)
            return f_.cte == 0 && operation_ ? "$10000" : Number(f_.cte);
        if (f_.y == kBusFlagsToD && f_.flag == kFlagReadU)
            return "UFLAG";
        if (f_.y == kBusFlagsToD && f_.flag == kFlagReadM)
            return "MFLAG";
        return "0";
    }

    // The D input in use: the bus transfer, the flag register and the
    // constant it needs are the ALU item's.
    void UseD() {
        if (f_.y == kBusMemToD || f_.y == kBusConstToD || f_.y == kBusFlagsToD)
            takesY_ = true;
        else
            notes_.push_back(FieldValueText(Field::AluSource, f_.src) + " with nothing on the D bus");
        if (f_.y == kBusConstToD)
            takesConst_ = true;
        if (f_.y == kBusFlagsToD && (f_.flag == kFlagReadU || f_.flag == kFlagReadM))
            takesFlag_ = true;
    }

    void DecodeAlu() {
        const bool toRegister = dest_ == kDestB || dest_ == kDestFromD;
        const bool toQ = dest_ == kDestQ || dest_ == kDestQFromD;
        readsB_ = toRegister;  // the B address is also where a result goes
        if ((dest_ == kDestFromD || dest_ == kDestQFromD) && !PassesD()) {
            // The board writes F with these codes, as with 11 and 8; zanfo
            // writes them only for a value that passes the ALU unchanged.
            notes_.push_back(FieldValueText(Field::AluDest, f_.dst) + " with F = " + FunctionText() +
                             ": the machine writes F, as with AluDest " + (toRegister ? "11" : "8") +
                             ", where zanfo uses " + Number(f_.dst) + " only to load the D bus");
            DecodeOperation(toRegister ? Port(Input::B) : "RQ");
        } else if (dest_ == kDestFromD || dest_ == kDestQFromD) {
            // "R5 = MEM", "RQ = 7": the D bus passes the ALU as D + 0.
            UseD();
            if (f_.y != kBusMemToD && f_.y != kBusConstToD)
                notes_.push_back(FieldValueText(Field::AluDest, f_.dst) +
                                 " without memory or a constant on the D bus");
            alu_.push_back((toRegister ? Port(Input::B) : "RQ") + " = " + Port(Input::D));
        } else if (!toRegister && !toQ && f_.y == kBusConstToMem) {
            takesY_ = takesConst_ = true;
            alu_.push_back("MEM = " + Number(f_.cte));
        } else if (!toRegister && !toQ && f_.y == kBusConstToFlags) {
            takesY_ = takesConst_ = true;
            takesFlag_ = f_.flag == kFlagBusU || f_.flag == kFlagBusM;
            alu_.push_back(std::string(f_.flag == kFlagBusM ? "MFLAG" : "UFLAG") + " = " + Number(f_.cte));
        } else if (toRegister || toQ || f_.y == kBusAluToMem || f_.y == kBusAluToFlags) {
            DecodeOperation(toRegister ? Port(Input::B) : toQ ? "RQ" : "");
        } else if (dest_ == kDestNone && (f_.flag == kFlagLoadU || f_.flag == kFlagLoadM) && f_.carry == 1 &&
                   (f_.fun == 1 || f_.fun == 2)) {
            DecodeComparison();
        } else if (dest_ == kDestNone && (f_.src != 1 || f_.fun != 0 || f_.carry != 0)) {
            const bool flags = f_.flag == kFlagLoadU || f_.flag == kFlagLoadM;
            notes_.push_back("an ALU operation (" + FieldValueText(Field::AluSource, f_.src) + ", " +
                             FieldValueText(Field::AluFunction, f_.fun) + ", CarryIn " + Number(f_.carry) +
                             (flags ? ") whose result goes nowhere, but its flags into " +
                                          std::string(f_.flag == kFlagLoadM ? "MFLAG" : "UFLAG")
                                    : ") whose result goes nowhere"));
        }
        if (alu_.empty())
            alu_.push_back("");
    }

    // D + 0 + 0: the D bus through the ALU unchanged.
    bool PassesD() const { return f_.src == 7 && f_.fun == 0 && f_.carry == 0; }

    // What the ALU computes, with the source pair's inputs: "A + B + 1".
    std::string FunctionText() const {
        static const char *const forms[2][8] = {
            {"r + s", "s - r - 1", "r - s - 1", "r OR s", "r AND s", "NOT r AND s", "r XOR s", "r XNOR s"},
            {"r + s + 1", "s - r", "r - s", "r OR s", "r AND s", "NOT r AND s", "r XOR s", "r XNOR s"},
        };
        static const char names[5] = {'A', 'B', 'Q', 'D', '0'};
        std::string text = forms[f_.carry & 1][f_.fun];
        for (char &c : text) {
            if (c == 'r')
                c = names[static_cast<int>(kSourcePairs[f_.src].r)];
            else if (c == 's')
                c = names[static_cast<int>(kSourcePairs[f_.src].s)];
        }
        return text;
    }

    // The ports and the D input the source pair reads.
    void ReadInputs(Input r, Input s) {
        readsA_ = r == Input::A || s == Input::A;
        readsB_ = readsB_ || s == Input::B;
        if (r == Input::D)
            UseD();
    }

    // An operation whose result goes to a register, Q, memory or a flag
    // register: one of the assignments, a one-operand item, or "x = a op b".
    void DecodeOperation(std::string dest) {
        operation_ = true;
        bool simpleOnly = false, dyadicOnly = false;
        if (dest.empty()) {
            takesY_ = true;
            if (f_.y == kBusAluToMem) {
                dest = "MEM";
            } else {
                // UFLAG = a op b loads the flags of the result (4, 5);
                // UFLAG = a takes the low 4 bits of it off the bus (6, 7).
                dest = f_.flag == kFlagLoadM || f_.flag == kFlagBusM ? "MFLAG" : "UFLAG";
                takesFlag_ = f_.flag >= kFlagLoadU && f_.flag <= kFlagBusM;
                simpleOnly = f_.flag == kFlagBusU || f_.flag == kFlagBusM;
                dyadicOnly = f_.flag == kFlagLoadU || f_.flag == kFlagLoadM;
            }
        }
        const Input r = kSourcePairs[f_.src].r, s = kSourcePairs[f_.src].s;
        ReadInputs(r, s);
        const std::string rText = Port(r), sText = Port(s);

        // INCR(R5), NEG(RQ): the operand is on S and is the destination.
        std::string unary;
        if ((dest_ == kDestB && f_.src == 3) || (dest_ == kDestQ && f_.src == 2))
            for (const auto &u : kUnary)
                if (u.fun == f_.fun && u.carry == f_.carry)
                    unary = std::string(u.word) + "(" + dest + ")";
        // R5 = R3, MEM = RQ, RQ = UFLAG: the value passes the ALU with zero added.
        std::string simple;
        if (!dyadicOnly && f_.fun == 0 && f_.carry == 0) {
            if (r == Input::Zero && s != Input::Zero)
                simple = dest + " = " + sText;
            else if (f_.src == 7 && f_.y == kBusFlagsToD && (dest_ == kDestB || dest_ == kDestQ))
                simple = dest + " = " + rText;
        }
        // An assignment that selects one port only gives the other port
        // the same select; a two-operand item gives it 0.  So where the
        // two selects differ, "R5 = IRA1 + 0" is likelier than "R5 = IRA1".
        const bool selectsFollow = f_.ar == 0 || f_.ar == 3 || (dest_ == kDestB && s == Input::A);
        // The operand that stands first: R - S is function 2, S - R function 1;
        // otherwise the one that reads best (the destination, a register).
        std::vector<std::string> dyadic;
        const bool carryFits = kOperators[f_.fun].carry == f_.carry;
        if ((!simpleOnly || simple.empty()) && (carryFits || (unary.empty() && simple.empty()))) {
            const char *op = kOperators[f_.fun].word;
            bool sFirst = f_.fun == 1 || (f_.fun != 2 && Rank(s, sText, dest) < Rank(r, rText, dest));
            std::string first = sFirst ? sText : rText, second = sFirst ? rText : sText;
            dyadic.push_back(dest + " = " + first + " " + op + " " + second);
            if (f_.fun != 1 && f_.fun != 2)
                dyadic.push_back(dest + " = " + second + " " + op + " " + first);
        }
        if (!carryFits && unary.empty() && simple.empty())
            notes_.push_back("CarryIn " + Number(f_.carry) + " with " + FieldValueText(Field::AluFunction, f_.fun) +
                             ": F = " + FunctionText());
        if (!selectsFollow)
            alu_ = dyadic;
        for (const std::string *single : {&unary, &simple})
            if (!single->empty())
                alu_.push_back(*single);
        if (selectsFollow)
            alu_.insert(alu_.end(), dyadic.begin(), dyadic.end());
    }

    static int Rank(Input in, const std::string &text, const std::string &dest) {
        if (text == dest)
            return 0;
        switch (in) {
        case Input::A: case Input::B: return 1;
        case Input::Q: return 2;
        case Input::D: return 3;
        case Input::Zero: break;
        }
        return 4;
    }

    // COMP(a, b) computes a - b for UFLAG: a on R with function 2, on S with 1.
    void DecodeComparison() {
        operation_ = true;
        takesFlag_ = f_.flag == kFlagLoadU;
        if (f_.flag == kFlagLoadM)
            notes_.push_back("COMP with FlagInstr 5 (LDMFLAG): the comparison's flags go into MFLAG, not UFLAG");
        const Input r = kSourcePairs[f_.src].r, s = kSourcePairs[f_.src].s;
        ReadInputs(r, s);
        std::string rText = Port(r), sText = Port(s);
        alu_.push_back(f_.fun == 2 ? "COMP(" + rText + ", " + sText + ")" : "COMP(" + sText + ", " + rText + ")");
    }

    // Flag and bus codes no ALU item accounts for are items of their own;
    // a constant is the sequencer's or the ALU's, never both.
    void DecodeLeftovers() {
        if (!takesFlag_) {
            if (f_.flag == kFlagLoadU)
                flagLoad_ = "LDUFLAG";
            else if (f_.flag == kFlagLoadM)
                flagLoad_ = "LDMFLAG";
            else if (f_.flag != 0 && ZanfoWrites(Field::FlagInstr, f_.flag))
                notes_.push_back(FieldValueText(Field::FlagInstr, f_.flag) + " with no item that uses it");
        }
        if (!takesY_) {
            if (f_.y == kBusLoadIr)
                busLoad_ = "LDIR";
            else if (f_.y == kBusLoadMar)
                busLoad_ = "LDMAR";
            else if (f_.y != 0 && ZanfoWrites(Field::YBusCtrl, f_.y))
                notes_.push_back(FieldValueText(Field::YBusCtrl, f_.y) + " with no item that uses it");
        }
        if (takesConst_ && seqTakesConst_)
            notes_.push_back("ConstantAddr " + Number(f_.cte) + " is both the ALU's constant and the " +
                             sequencer_.substr(0, sequencer_.find('(')) + " operand");
        else if (!takesConst_ && !seqTakesConst_ && f_.cte != 0)
            notes_.push_back("ConstantAddr " + Number(f_.cte) + " with no item that uses it");
        if (f_.brk)
            halt_ = "HALT";
        if (!readsA_ && f_.rega != 0)
            notes_.push_back("RegA " + Number(f_.rega) + " that no item reads");
        if (!readsB_ && f_.regb != 0)
            notes_.push_back("RegB " + Number(f_.regb) + " that no item reads or writes");
    }

    Fields f_;
    const LabelNamer &names_;
    uint32_t dest_ = 0;                 // AluDest with any shift taken out
    std::vector<std::string> alu_;      // the ALU item's spellings; "" for none
    std::string shift_, flagLoad_, busLoad_, sequencer_, halt_;
    bool takesY_ = false;               // the ALU item accounts for YBusCtrl
    bool takesFlag_ = false;            // ... for FlagInstr
    bool takesConst_ = false;           // ... for ConstantAddr
    bool seqTakesConst_ = false;        // the sequencer item puts its operand there
    bool operation_ = false;            // the ALU item is an operation or COMP
    bool readsA_ = false;               // the ALU item uses the A address
    bool readsB_ = false;               // ... the B address
    std::vector<std::string> notes_;    // what zanfo cannot write
};

}  // namespace

std::vector<ItemList> Spellings(uint64_t word, const LabelNamer &names) {
    return Decoder(word, names).Spellings();
}

std::vector<std::string> Inexpressible(uint64_t word) {
    return Decoder(word, nullptr).Notes();
}

std::string ItemsText(const ItemList &items) {
    if (items.empty())
        return "NOP";
    std::string text;
    for (const std::string &item : items)
        text += (text.empty() ? "" : ", ") + item;
    return text;
}

std::string DescribeWord(uint64_t word, const LabelNamer &names) {
    Decoder decoder(word, names);
    std::string text = ItemsText(decoder.Spellings().front());
    const std::vector<std::string> &notes = decoder.Notes();
    for (size_t i = 0; i < notes.size(); ++i)
        text += (i == 0 ? "  { not in zanfo: " : "; ") + notes[i];
    if (!notes.empty())
        text += " }";
    return text;
}

std::string AddressNumber(uint32_t address) {
    char text[16];
    snprintf(text, sizeof text, "$%04" PRIX32, address);
    return text;
}

// zanfo-lsp: the reserved words and what they mean.
#include "reserved_words.h"

#include <cstring>

#include "microword.h"
#include "observe.h"
#include "zanfo.h"

namespace {

// Keywords and register words by their token: what an item or statement
// does, as the manual's tables say it.  Conditions come from the
// microword's own table of CondCode values.
const struct {
    int token;
    const char *description;
} kMeanings[] = {
    {KW_PROGRAM, "starts the program: PROGRAM [name] statements END"},
    {KW_END, "ends the program"},
    {KW_EQU, "EQU name register: a name for R0..R63, IRA0..IRB3 or RQ"},
    {KW_ORG, "ORG n: the next microinstruction goes to address n"},
    {KW_NOP, "the idle microword: does nothing"},
    {KW_HALT, "Break 1: the machine stops after this microinstruction"},
    {KW_JMPZ, "Sequencer 0 [JZ]: go to address 0"},
    {KW_JMAP, "Sequencer 2 [JMAP]: go to the address the mapping of the instruction register gives"},
    {KW_LDCOUNT, "LDCOUNT(n), Sequencer 12 [LDCT]: load the sequencer's counter with n and go on"},
    {KW_LOOP, "LOOP(target), Sequencer 8 [RFCT]: repeat from the top of the stack while the counter is not zero"},
    {KW_RET, "RET [(cond)], Sequencer 10 [CRTN]: return to the address on top of the stack"},
    {KW_CALL, "CALL(target [, cond]), Sequencer 1 [CJS]: push the next address and go to target"},
    {KW_JUMP, "JUMP(target [, cond]), Sequencer 3 [CJP]: go to target"},
    {KW_ASR, "shift the ALU result right on its way to the register, keeping the sign"},
    {KW_ASL, "shift the ALU result left on its way to the register (as LSL)"},
    {KW_LSR, "shift the ALU result right on its way to the register"},
    {KW_LSL, "shift the ALU result left on its way to the register"},
    {KW_LDUFLAG, "FlagInstr 4: the user flags take the status (Z, V, N, C) of this ALU operation"},
    {KW_LDMFLAG, "FlagInstr 5: the machine flags take the status (Z, V, N, C) of this ALU operation"},
    {KW_UFLAG, "the user flag register, on the D bus"},
    {KW_MFLAG, "the machine flag register, on the D bus"},
    {KW_LDIR, "YBusCtrl 2: load the instruction register from the memory data"},
    {KW_LDMAR, "YBusCtrl 5: load the memory address register from the ALU result"},
    {KW_MEM, "the memory word at MAR, on the D bus"},
    {KW_COMP, "COMP(a, b): a - b, written nowhere; the user flags take its status"},
    {KW_INCR, "INCR(x): x = x + 1"},
    {KW_DECR, "DECR(x): x = x - 1"},
    {KW_NOT, "NOT(x): x = the bitwise complement of x"},
    {KW_NEG, "NEG(x): x = the two's complement negation of x"},
    {KW_AND, "a AND b: bitwise and"},
    {KW_OR, "a OR b: bitwise or"},
    {KW_NOTRS, "a NOTRS b: (NOT R) AND S, usually (NOT a) AND b"},
    {KW_XOR, "a XOR b: bitwise exclusive or"},
    {KW_XNOR, "a XNOR b: NOT (a XOR b)"},
    {REG_IRA0, "the register that bits 3..0 of the instruction register name, on the A port (read only)"},
    {REG_IRA1, "the register that bits 7..4 of the instruction register name, on the A port (read only)"},
    {REG_IRA2, "the register that bits 11..8 of the instruction register name, on the A port (read only)"},
    {REG_IRA3, "the register that bits 15..12 of the instruction register name, on the A port (read only)"},
    {REG_IRB0, "the register that bits 3..0 of the instruction register name, on the B port"},
    {REG_IRB1, "the register that bits 7..4 of the instruction register name, on the B port"},
    {REG_IRB2, "the register that bits 11..8 of the instruction register name, on the B port"},
    {REG_IRB3, "the register that bits 15..12 of the instruction register name, on the B port"},
    {REG_RQ, "the Q register, on the ALU's S input"},
};

std::string ConditionMeaning(const std::string &word) {
    const FieldInfo &info = InfoOf(Field::CondCode);
    for (size_t i = 0; i < info.valueCount; ++i)
        if (word == info.values[i].name)
            return std::string("condition ") + std::to_string(info.values[i].code) + ": " + info.values[i].meaning;
    return "";
}

std::vector<ReservedWordInfo> Collect() {
    std::vector<ReservedWordInfo> words;
    for (int token = 0; token < 1024; ++token) {  // past the last code: TokenName knows none
        const std::string word = ReservedWord(token);
        if (word.empty())
            continue;
        const bool condition = strncmp(TokenName(token), "COND_", 5) == 0;
        const bool reg = strncmp(TokenName(token), "REG_", 4) == 0;
        std::string description = condition ? ConditionMeaning(word) : "";
        for (const auto &m : kMeanings)
            if (m.token == token)
                description = m.description;
        words.push_back({token, word, condition ? WordKind::Condition : reg ? WordKind::Register : WordKind::Keyword,
                         description});
    }
    return words;
}

}  // namespace

const std::vector<ReservedWordInfo> &ReservedWords() {
    static const std::vector<ReservedWordInfo> words = Collect();
    return words;
}

std::string DescribeToken(int token) {
    for (const ReservedWordInfo &w : ReservedWords())
        if (w.token == token)
            return w.description;
    return "";
}

// zanfo's messages explained, one English line each (explain.h).
#include "explain.h"

#include <cctype>

#include "errors.h"
#include "source.h"

namespace {

// flex's own words when a token outgrows yytext (zanfo.l's YYLMAX).
const char msgTokenTooLarge[] = "token too large, exceeds YYLMAX";

}  // namespace

const MessageExplanation kMessageExplanations[] = {
    // Names, numbers and registers.
    {msgIdentTooLong,
     "A label or EQU name has 16 characters or more: zanfo keeps only its first 15, so two long names "
     "that start alike become one, and never finds it among the EQU names. Shorten it to 15 characters "
     "at most."},
    {msgBadRegisterNumber,
     "A register above R63, written as such or through an EQU name: zanfo keeps the low six bits of its "
     "number (R64 becomes R0). Use R0 to R63."},
    // Syntax.
    {msgParseError,
     "The program does not follow the grammar at this word or just before it: zanfo stops here and "
     "leaves the .mic file empty. Look for a missing or extra \";\" or \",\", a keyword used as a label "
     "or EQU name, a misspelt keyword, or a comment left open."},
    {msgStackOverflow,
     "The parser's stack passed 10000 entries, which no program of this language can cause. Please "
     "report it with the program."},
    // Labels, EQU and ORG.
    {msgEquateTwice,
     "Two EQU statements bind the same name, which only names of 16 characters or more (cut to 15) can "
     "do; the first EQU stays in force. Use different names of 15 characters at most."},
    {msgLabelTwice,
     "The same label is defined twice (labels ignore case: loop1 and Loop1 are one label); jumps go to "
     "the first. Rename one of the two."},
    {msgAddressOutOfRange,
     "An ORG asks for an address outside 0..4095, the control store; zanfo still writes the words there, "
     "where no ROM holds them. Keep the program between addresses 0 and 4095."},
    {msgUnknownIdentifier,
     "A JUMP, CALL or LOOP names a label defined nowhere in the program, usually a typing mistake; the "
     "word jumps to address 0 instead. Correct the name, or add the label."},
    // A field of the microword used twice.
    {msgCcenUsed,
     "Two sequencer items (JUMP, CALL, RET, JMPZ) in one microinstruction both say whether to test a "
     "condition; the later one wins. Keep one sequencer item per microinstruction."},
    {msgSeqUsed,
     "Two sequencer items (JUMP, CALL, RET, JMPZ, JMAP, LDCOUNT, LOOP) in one microinstruction; the word "
     "keeps only the later one's instruction. Put the second in the next microinstruction."},
    {msgYUsed,
     "Two items need the microinstruction's one bus transfer (LDIR, LDMAR, a MEM, UFLAG, MFLAG or "
     "constant operand, or a result sent to memory or a flag register); one of them is lost. Do them in "
     "two microinstructions."},
    {msgShiftUsed,
     "Two shifts (ASR, ASL, LSR, LSL) in one microinstruction; the later one wins. Keep one shift per "
     "microinstruction."},
    {msgCcUsed,
     "Two items of one microinstruction each test a condition; the word keeps the later condition. Test "
     "one condition per microinstruction."},
    {msgFlagUsed,
     "Two items need the flag registers' one operation (LDUFLAG, LDMFLAG, COMP, or UFLAG or MFLAG as an "
     "operand or destination); the later one wins. Move one of them into a microinstruction of its own."},
    {msgCarryUsed,
     "Two ALU operations in one microinstruction both set the carry input, and the word mixes them. Keep "
     "one ALU operation per microinstruction."},
    {msgAluDstUsed,
     "Two operations in one microinstruction both write a result, and the word has room for one "
     "destination. Keep one ALU operation per microinstruction."},
    {msgAluFunUsed,
     "Two ALU operations in one microinstruction; the ALU computes one function per cycle. Keep one ALU "
     "operation per microinstruction."},
    {msgAluSrcUsed,
     "Two ALU operations in one microinstruction want different inputs; the ALU takes one source pair per "
     "cycle. Keep one ALU operation per microinstruction."},
    {msgRegSelectUsed,
     "Two items set where one register port takes its address (the microword or the IR): copying an IRB "
     "register into a general register needs the B port twice. Go through Q: RQ = IRB1; R1 = RQ."},
    {msgRegBUsed,
     "Two items need the B port, the only one that can be written, for different registers (two register "
     "writes, say); the later operation is dropped or mixed in. Keep one register write per "
     "microinstruction."},
    {msgRegAUsed,
     "Two items read different registers through the A port, typically two operations in one "
     "microinstruction. Keep one ALU operation per microinstruction."},
    {msgCteUsed,
     "Two items need the microword's one 16-bit constant (a jump or call target, a loop count, a constant "
     "operand); the later value replaces the earlier. Do the arithmetic and the jump in separate "
     "microinstructions, or keep the constant in a register."},
    {msgConstUsed,
     "An operation with a constant comes after an item that already set the constant field (a jump, call, "
     "loop or another constant), so zanfo drops the whole operation. Split the microinstruction, or keep "
     "the constant in a register."},
    // Operands of ALU operations.
    {msgInvalidOperands,
     "None of the ALU's eight source pairs brings in these two operands (both want the A port; Q or the D "
     "bus with an IRB register; two D-bus values; 0 with 0); the word computes with R0 in their place. "
     "Move one operand into a general register or Q first."},
    {msgWrongOperandOrder,
     "The first operand goes to the A port and the second to the B port, and an IRB register cannot be "
     "first nor an IRA register second; the word computes with R0 in their place. Write the IRA register "
     "first or the IRB register second."},
    {msgDestIncompatible,
     "The result cannot go where asked: it is written back through the B port, which must read one of two "
     "register operands, and the D bus carries one value per cycle; the operation is dropped. Write into "
     "one of the operands or into Q, and copy it on in the next microinstruction."},
    {msgBadDestination,
     "An IRA register cannot be written: the A port is only read; the operation is dropped. Write the "
     "result to a general register or an IRB register."},
    {msgSourcesIncompatible,
     "Both operands are IRB registers, or both are RQ, and there is one B port and one Q; the operation is "
     "dropped. Copy one of them into a general register first."},
    // Shifts.
    {msgCannotShift,
     "The result goes where the shifter does not reach, into Q or into a register loaded straight from "
     "the D bus (R1 = MEM, R1 = 5); the word is written without the shift. Shift into a general register, "
     "through a two-operand form such as R1 = MEM + 0, LSR."},
    {msgNothingToShift,
     "A shift in a microinstruction that writes no result. Put the shift in the microinstruction that "
     "computes the value (R1 = R1 + 0, LSR shifts R1 in place)."},
    {msgAlreadyShifting,
     "A shift asked of a destination that shifts already, which no program of this language can cause. "
     "Please report it with the program."},
    // Characters outside the language.
    {msgUnrecognizedChar,
     "A character that starts no word of the language (a \".\", \"#\", \"_\" before a name, an accented "
     "letter); zanfo skips it and goes on. Remove it, or put it inside a { comment }."},
    // The command line.
    {msgUsage, "zanfo takes exactly one argument, the source file. Assemble several files one at a time."},
    {msgSourceNotFound,
     "The source file cannot be opened: it does not exist, or cannot be read. Check the name and the "
     "current folder."},
    {msgCannotCreateOutput,
     "The .mic file cannot be created or written: the folder is not writable, the disk is full, or the "
     ".mic name is the source itself. Rename a source that ends in .mic, or assemble in a writable "
     "folder."},
    // Fatal errors of the scanner.
    {msgTokenTooLarge,
     "A single word or number of 8192 characters or more; zanfo stops with exit status 2. Break the word "
     "up."},
    {msgSourceReadFailed,
     "Reading the source failed, for example because it is a folder; zanfo stops with exit status 2. Give "
     "a regular file."},
    {msgNoMemoryForSource,
     "No memory for the input buffer; zanfo stops with exit status 2. Free some memory and run it again."},
};
const size_t kMessageExplanationCount = sizeof kMessageExplanations / sizeof kMessageExplanations[0];

namespace {

// Whether `text` is what printf makes of `format` (%d a signed number, %s
// any text to the end); a line feed at the end of either is left out.
bool Matches(const char *format, const std::string &text) {
    size_t at = 0, end = text.size();
    if (end > 0 && text[end - 1] == '\n')
        --end;
    for (; *format && !(format[0] == '\n' && format[1] == '\0'); ++format) {
        if (format[0] == '%' && format[1] == 's')
            return true;  // zanfo's formats end with their %s
        if (format[0] == '%' && format[1] == 'd') {
            ++format;
            if (at < end && text[at] == '-')
                ++at;
            const size_t digits = at;
            while (at < end && isdigit(static_cast<unsigned char>(text[at])))
                ++at;
            if (at == digits)
                return false;
            continue;
        }
        if (at == end || text[at] != *format)
            return false;
        ++at;
    }
    return at == end;
}

}  // namespace

const char *ExplainMessage(const std::string &latin1Message) {
    for (const MessageExplanation &e : kMessageExplanations)
        if (Matches(e.message, latin1Message))
            return e.explanation;
    return nullptr;
}

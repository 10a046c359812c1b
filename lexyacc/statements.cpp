// zanfo: the statement level of a program: the end of a microinstruction,
// labels, equates and origins.  The first pass enters labels and counts
// addresses; the second writes microwords and resolves label uses.  Equates
// act in both passes, the table being emptied in between.
#include "actions.h"
#include "errors.h"
#include "observe.h"
#include "tables.h"

int dir = 0;  // address of the microinstruction being assembled

void EndMicroinstruction(int firstLine, int lastLine) {
    if (!primeraPasada && assemblyObserver)
        assemblyObserver->Microinstruction(dir, firstLine, lastLine);
    if (!primeraPasada)
        WriteInstruction();
    dir = WrapAdd(dir, 1);
}

void DefineEquate(const char *name, const char *registerText) {
    if (!InsertIdentifier(name, registerText))
        ShowError(msgEquateTwice);
}

// The control store holds 4096 microwords.  A number that wraps to a
// negative address ($FFFFFFFF, $80000000) lies outside it too.
void SetOrigin(int address) {
    dir = address;
    if (!primeraPasada && (dir < 0 || dir > 4095))
        ShowError(msgAddressOutOfRange);
}

void DefineLabel(const char *name) {
    if (primeraPasada && !InsertLabel(name, dir))
        ShowError(msgLabelTwice);
}

// An unknown label is reported and the jump goes to address 0.
void ResolveLabel(YYSTYPE *target, const char *name) {
    if (primeraPasada)
        return;
    int resDir = TranslateLabel(name);
    if (resDir < 0) {
        if (assemblyObserver)
            assemblyObserver->UnknownLabel(name);
        ShowError(msgUnknownIdentifier);
        resDir = 0;
    }
    target->intval = resDir;
}

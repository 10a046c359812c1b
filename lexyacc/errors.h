// zanfo: diagnostics.  One "error:LINE:message" line on standard error per
// problem found, with the line the scanner is on.  The texts are Spanish and
// stored as ISO-8859-1 bytes (0xE1 for a with acute, 0xF3 for o, 0xFA for u).
#ifndef ZANFO_ERRORS_H
#define ZANFO_ERRORS_H

#include <cstdio>

void ShowError(const char *msg);

// Where diagnostics and the scanner's notices go: standard error and
// standard output, unless the assembly runs in memory (assemble.h).
extern FILE *diagnosticStream;  // null: stderr
extern FILE *noticeStream;      // null: stdout
int yyerror(const char *msg);

// Scanner.
extern const char msgIdentTooLong[];        // identifier of 16 or more characters
extern const char msgBadRegisterNumber[];   // general register outside R0..R63
// Parser.
extern const char msgParseError[];
extern const char msgStackOverflow[];
// Statements.
extern const char msgEquateTwice[];         // EQU of a name already bound
extern const char msgLabelTwice[];          // label defined twice
extern const char msgAddressOutOfRange[];   // ORG outside 0..4095
extern const char msgUnknownIdentifier[];   // jump to a name that is no label
// Second use of a microword field in one microinstruction.
extern const char msgCcenUsed[];
extern const char msgSeqUsed[];
extern const char msgYUsed[];
extern const char msgShiftUsed[];
extern const char msgCcUsed[];
extern const char msgFlagUsed[];
extern const char msgCarryUsed[];
extern const char msgAluDstUsed[];
extern const char msgAluFunUsed[];
extern const char msgAluSrcUsed[];
extern const char msgRegSelectUsed[];
extern const char msgRegBUsed[];
extern const char msgRegAUsed[];
extern const char msgCteUsed[];
extern const char msgConstUsed[];
// Two-operand operations and comparisons.
extern const char msgInvalidOperands[];     // pairing the source codes cannot express
extern const char msgWrongOperandOrder[];   // two registers the A/B ports cannot take in this order
extern const char msgDestIncompatible[];    // bus needed twice, or destination not a source
extern const char msgBadDestination[];      // IRA register as destination
extern const char msgSourcesIncompatible[]; // two IRB registers, or Q twice
// Shifts.
extern const char msgCannotShift[];
extern const char msgNothingToShift[];
extern const char msgAlreadyShifting[];

// Every text above, for checks that the documentation lists them all.
extern const char *const messageCatalogue[];
extern const int messageCatalogueSize;

// Printed directly on standard output by the driver and the scanner.
extern const char msgUsage[];               // wrong argument count, exit 1
extern const char msgSourceNotFound[];      // printf format with the name, exit 2
extern const char msgCannotCreateOutput[];  // exit 3
extern const char msgUnrecognizedChar[];    // printf format: signed code, the character

#endif

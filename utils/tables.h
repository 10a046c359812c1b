// zanfo: the equate and label tables, and the case folding they share.
// Names are compared without regard to case: keys are stored lower-cased.
#ifndef ZANFO_TABLES_H
#define ZANFO_TABLES_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Equates bind a name to a register text ("r5", "ira2", "rq").
int InsertIdentifier(const char *name, const char *reg);  // 1 added, 0 already bound
int TranslateIdentifier(const char *name, char *res, int *kind, int *number);  // 1 bound
void ClearIdentifiers();
void ToLower(char *s);

// Labels bind a name to a microinstruction address.
int InsertLabel(const char *name, int address);  // 1 added, 0 already present
int TranslateLabel(const char *name);            // the address, or -1
void ClearLabels();                              // only for running zanfo again in one process

// Every binding, in name order, for listings and the simulator: equates
// as name and register text, labels as name and address (both lower case).
std::vector<std::pair<std::string, std::string>> ListIdentifiers();
std::vector<std::pair<std::string, int>> ListLabels();

// A decimal text as the C library's atoi reads it on a 64-bit system: the
// value of strtol, saturated to the 64-bit range, then cut to 32 bits.
int32_t DecimalToInt(const char *text);

#endif

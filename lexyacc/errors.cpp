// zanfo: diagnostics and the catalogue of every message zanfo prints.
#include "errors.h"

#include <cstdio>
#include <cstring>

#include "zanfo.h"

const char msgIdentTooLong[] = "Identificador demasiado largo";
const char msgBadRegisterNumber[] = "N\xFAmero de registro incorrecto";
const char msgParseError[] = "parse error";
const char msgStackOverflow[] = "parser stack overflow";
const char msgEquateTwice[] = "Identificador definido por duplicado";
const char msgLabelTwice[] = "Identificador declarado dos veces";
const char msgAddressOutOfRange[] = "Direcci\xF3n fuera de rango";
const char msgUnknownIdentifier[] = "Identificador desconocido";
const char msgCcenUsed[] = "El campo \"CondEnable\" ya ha sido utilizado";
const char msgSeqUsed[] = "El campo \"Sequencer\" ya ha sido utilizado";
const char msgYUsed[] = "El campo \"YBusCtrl\" ya ha sido utilizado";
const char msgShiftUsed[] = "El campo \"ShiftCtrl\" ya ha sido utilizado";
const char msgCcUsed[] = "El campo \"CondCode\" ya ha sido utilizado";
const char msgFlagUsed[] = "El campo \"FlagInstr\" ya ha sido utilizado";
const char msgCarryUsed[] = "El campo \"CarryIn\" ya ha sido utilizado";
const char msgAluDstUsed[] = "El campo \"AluDest\" ya ha sido utilizado";
const char msgAluFunUsed[] = "El campo \"AluFunction\" ya ha sido utilizado";
const char msgAluSrcUsed[] = "El campo \"AluSource\" ya ha sido utilizado";
const char msgRegSelectUsed[] = "El campo \"RegSelect\" ya ha sido utilizado";
const char msgRegBUsed[] = "El campo \"RegB\" ya ha sido utilizado";
const char msgRegAUsed[] = "El campo \"RegA\" ya ha sido utilizado";
const char msgCteUsed[] = "El campo \"ConstantAddr\" ya ha sido utilizado";
const char msgConstUsed[] = "El campo \"Const\" ya ha sido utilizado";
const char msgInvalidOperands[] = "Combinaci\xF3n de operandos no v\xE1lida";
const char msgWrongOperandOrder[] = "Combinaci\xF3n incorrecta de operandos";
const char msgDestIncompatible[] = "Operando destino incompatible con fuentes";
const char msgBadDestination[] = "Operando destino incorrecto";
const char msgSourcesIncompatible[] = "Operandos fuente incompatibles";
const char msgCannotShift[] = "El resultado de la ALU no puede desplazarse";
const char msgNothingToShift[] = "No hay nada que desplazar";
// "efecuando" is how the message has always read; scripts match on it.
const char msgAlreadyShifting[] = "Ya se est\xE1 efecuando un desplazamiento";

const char msgUsage[] = "Error en los par\xE1metros. Sintaxis: zanfo fuente\n";
const char msgSourceNotFound[] = "Fichero no encontrado: %s\n";
const char msgCannotCreateOutput[] = "Error al crear el fichero de salida\n";
const char msgUnrecognizedChar[] = "Unrecognized character: (%d) %s\n";

const char *const messageCatalogue[] = {
    msgIdentTooLong, msgBadRegisterNumber, msgParseError, msgStackOverflow,
    msgEquateTwice, msgLabelTwice, msgAddressOutOfRange, msgUnknownIdentifier,
    msgCcenUsed, msgSeqUsed, msgYUsed, msgShiftUsed, msgCcUsed, msgFlagUsed,
    msgCarryUsed, msgAluDstUsed, msgAluFunUsed, msgAluSrcUsed, msgRegSelectUsed,
    msgRegBUsed, msgRegAUsed, msgCteUsed, msgConstUsed, msgInvalidOperands,
    msgWrongOperandOrder, msgDestIncompatible, msgBadDestination,
    msgSourcesIncompatible, msgCannotShift, msgNothingToShift, msgAlreadyShifting,
    msgUsage, msgSourceNotFound, msgCannotCreateOutput, msgUnrecognizedChar,
};
const int messageCatalogueSize = sizeof messageCatalogue / sizeof messageCatalogue[0];

FILE *diagnosticStream = nullptr;
FILE *noticeStream = nullptr;

void ShowError(const char *msg) {
    fprintf(diagnosticStream ? diagnosticStream : stderr, "error:%d:%s\n", line, msg);
}

// bison names its two failures in its own words; zanfo has always printed
// these.
int yyerror(const char *msg) {
    if (strcmp(msg, "memory exhausted") == 0)
        ShowError(msgStackOverflow);
    else
        ShowError(msgParseError);
    return 0;
}

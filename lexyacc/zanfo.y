/* zanfo: the grammar of the microassembly language.
 *
 * The parser runs twice over the source.  Every action calls a function of
 * statements.cpp (program frame, labels, EQU, ORG) or fields.cpp (the items
 * of a microinstruction); those functions know which pass does what.
 * Symbols carry the whole YYSTYPE of zanfo.h; an action that sets nothing
 * leaves its symbol the value of its first right-hand symbol. */

%code requires {
#include "zanfo.h"
}

%code {
#include <cstring>
#include "actions.h"
#include "errors.h"
#include "observe.h"
/* Tokens pass by the listing's observer, when there is one. */
#define yylex ReadToken
}

%define api.header.include {"zanfo.tab.h"}
/* zanfo says only "parse error"; the listing asks what the parser expected. */
%define parse.error custom
%expect 0

%token END_OF_INPUT 0
%token KW_PROGRAM 257 KW_END 258 NUMBER 259 REG 260 IDENT 261
%token KW_EQU 262 KW_ORG 263 KW_NOP 264 KW_HALT 265
%token KW_JMPZ 266 KW_JMAP 267 KW_LDCOUNT 268 KW_LOOP 269 KW_RET 270 KW_CALL 271 KW_JUMP 272
%token KW_ASR 273 KW_ASL 274 KW_LSR 275 KW_LSL 276
%token KW_LDUFLAG 277 KW_LDMFLAG 278 KW_UFLAG 279 KW_MFLAG 280
%token KW_LDIR 281 KW_LDMAR 282 KW_MEM 283
%token KW_COMP 284 KW_INCR 285 KW_DECR 286 KW_NOT 287 KW_NEG 288
%token KW_AND 289 KW_OR 290 KW_NOTRS 291 KW_XOR 292 KW_XNOR 293
%token REG_IRA0 294 REG_IRA1 295 REG_IRA2 296 REG_IRA3 297
%token REG_IRB0 298 REG_IRB1 299 REG_IRB2 300 REG_IRB3 301 REG_RQ 302
%token COND_UZ 303 COND_NUZ 304 COND_MZ 305 COND_NMZ 306
%token COND_UV 307 COND_NUV 308 COND_MV 309 COND_NMV 310
%token COND_UN 311 COND_NUN 312 COND_MN 313 COND_NMN 314
%token COND_UC 315 COND_NUC 316 COND_MC 317 COND_NMC 318
%token COND_USG 319 COND_USGE 320 COND_MSG 321 COND_MSGE 322
%token COND_USS 323 COND_USSE 324 COND_MSS 325 COND_MSSE 326
%token COND_UUG 327 COND_UUGE 328 COND_MUG 329 COND_MUGE 330
%token COND_UUS 331 COND_UUSE 332 COND_MUS 333 COND_MUSE 334

%start program
/* Each symbol knows the source lines it spans (the scanner gives every
 * token its line), so that a microinstruction can name its lines. */
%locations

%%

program
    : KW_PROGRAM IDENT statement_list KW_END
    | KW_PROGRAM statement_list KW_END
    ;

statement_list
    : statement
    | statement_list ';' statement
    ;

statement
    : microinstruction                              { EndMicroinstruction(@1.first_line, @1.last_line); }
    | equate_statement
    | origin_statement
    ;

equate_value
    : REG
    | ira_register
    | irb_register
    | REG_RQ                                        { strcpy($$.cadena, "RQ"); }
    ;

equate_statement
    : KW_EQU IDENT equate_value                     { DefineEquate($2.cadena, $3.cadena); }
    ;

origin_statement
    : KW_ORG NUMBER                                 { SetOrigin($2.intval); }
    ;

microinstruction
    : label_definition field_list
    | field_list
    ;

label_definition
    : IDENT ':'                                     { DefineLabel($1.cadena); }
    ;

field_list
    : field
    | field_list ',' field
    ;

field
    : KW_NOP
    | KW_HALT                                       { Halt(); }
    | sequencer_field
    | shift_field
    | flag_load_field
    | alu_field
    | bus_load_field
    | assignment_field
    ;

sequencer_field
    : KW_JMPZ                                       { Jmpz(); }
    | KW_JMAP                                       { Jmap(); }
    | KW_LDCOUNT '(' NUMBER ')'                     { LdCount($3.intval); }
    | KW_LOOP '(' jump_target ')'                   { Loop($3.intval); }
    | KW_RET                                        { Ret(); }
    | KW_RET '(' condition ')'                      { RetIf($3.intval); }
    | KW_CALL '(' jump_target ')'                   { Call($3.intval); }
    | KW_CALL '(' jump_target ',' condition ')'     { CallIf($3.intval, $5.intval); }
    | KW_JUMP '(' jump_target ')'                   { Jump($3.intval); }
    | KW_JUMP '(' jump_target ',' condition ')'     { JumpIf($3.intval, $5.intval); }
    ;

shift_field
    : KW_ASR                                        { Shift(1, 2); }
    | KW_ASL                                        { Shift(0, 0); }
    | KW_LSR                                        { Shift(1, 0); }
    | KW_LSL                                        { Shift(0, 0); }
    ;

flag_load_field
    : KW_LDUFLAG                                    { LoadFlags(4); }
    | KW_LDMFLAG                                    { LoadFlags(5); }
    ;

alu_field
    : unary_function '(' REG ')'                    { UnaryOnRegister($3.regType.intval); }
    | unary_function '(' irb_register ')'           { UnaryOnIrb($3.regType.intval); }
    | unary_function '(' REG_RQ ')'                 { UnaryOnQ(); }
    | KW_COMP '(' operand ',' operand ')'           { Comp(&$3.regType, &$5.regType); }
    | REG_RQ '=' operand dyadic_operator operand    { Dyadic(OPERAND_Q, 0, &$3.regType, $4.intval, &$5.regType); }
    | ira_register '=' operand dyadic_operator operand
        { Dyadic(OPERAND_IRA, $1.regType.intval, &$3.regType, $4.intval, &$5.regType); }
    ;

bus_load_field
    : KW_LDIR                                       { LoadBus(2); }
    | KW_LDMAR                                      { LoadBus(5); }
    ;

assignment_field
    : REG '=' simple_source                         { AssignToRegister($1.regType.intval, $3.assignType); }
    | REG '=' operand dyadic_operator operand
        { Dyadic($1.regType.reg, $1.regType.intval, &$3.regType, $4.intval, &$5.regType); }
    | KW_MEM '=' bus_source                         { AssignToMem($3.assignType); }
    | REG_RQ '=' simple_source                      { AssignToQ($3.assignType); }
    | KW_MEM '=' operand dyadic_operator operand    { Dyadic(OPERAND_MEM, 0, &$3.regType, $4.intval, &$5.regType); }
    | irb_register '=' simple_source                { AssignToIrb($1.regType.intval, $3.assignType); }
    | irb_register '=' operand dyadic_operator operand
        { Dyadic(OPERAND_IRB, $1.regType.intval, &$3.regType, $4.intval, &$5.regType); }
    | flag_register '=' bus_source                  { AssignToFlag($1.intval, $3.assignType); }
    | flag_register '=' operand dyadic_operator operand
        { Dyadic($1.intval, 0, &$3.regType, $4.intval, &$5.regType); }
    ;

bus_source
    : special_register                              { BusSourceSpecial(&$$, &$1.regType); }
    | REG                                           { BusSourceRegister(&$$, $1.regType.intval); }
    | NUMBER                                        { BusSourceNumber(&$$, $1.intval); }
    ;

simple_source
    : REG                                           { SourceRegister(&$$, $1.regType.intval); }
    | ira_register                                  { SourceIra(&$$, $1.regType.intval); }
    | irb_register                                  { SourceIrb(&$$, $1.regType.intval); }
    | KW_MEM                                        { SourceMem(&$$); }
    | flag_register                                 { SourceFlag(&$$, $1.intval); }
    | NUMBER                                        { SourceNumber(&$$, $1.intval); }
    | REG_RQ                                        { SourceQ(&$$); }
    ;

operand
    : special_register
    | REG                                           { MakeOperand(&$$, OPERAND_REG, $1.regType.intval); }
    | flag_register                                 { MakeOperand(&$$, $1.intval, 0); }
    | KW_MEM                                        { MakeOperand(&$$, OPERAND_MEM, 0); }
    | NUMBER                                        { MakeOperand(&$$, OPERAND_CONST, $1.intval); }
    ;

unary_function
    : KW_INCR                                       { Incr(); }
    | KW_DECR                                       { Decr(); }
    | KW_NOT                                        { Not(); }
    | KW_NEG                                        { Neg(); }
    ;

dyadic_operator
    : '+'                                           { $$.intval = 0; }
    | '-'                                           { $$.intval = 1; }
    | KW_AND                                        { $$.intval = 3; }
    | KW_OR                                         { $$.intval = 2; }
    | KW_NOTRS                                      { $$.intval = 4; }
    | KW_XOR                                        { $$.intval = 5; }
    | KW_XNOR                                       { $$.intval = 6; }
    ;

jump_target
    : IDENT                                         { ResolveLabel(&$$, $1.cadena); }
    | NUMBER
    ;

ira_register
    : REG_IRA0                                      { IndexedRegister(&$$, REGKIND_IRA, 0); }
    | REG_IRA1                                      { IndexedRegister(&$$, REGKIND_IRA, 1); }
    | REG_IRA2                                      { IndexedRegister(&$$, REGKIND_IRA, 2); }
    | REG_IRA3                                      { IndexedRegister(&$$, REGKIND_IRA, 3); }
    ;

irb_register
    : REG_IRB0                                      { IndexedRegister(&$$, REGKIND_IRB, 0); }
    | REG_IRB1                                      { IndexedRegister(&$$, REGKIND_IRB, 1); }
    | REG_IRB2                                      { IndexedRegister(&$$, REGKIND_IRB, 2); }
    | REG_IRB3                                      { IndexedRegister(&$$, REGKIND_IRB, 3); }
    ;

special_register
    : REG_RQ                                        { MakeOperand(&$$, OPERAND_Q, 0); }
    | ira_register
    | irb_register
    ;

flag_register
    : KW_UFLAG                                      { $$.intval = OPERAND_UFLAG; }
    | KW_MFLAG                                      { $$.intval = OPERAND_MFLAG; }
    ;

condition
    : COND_UZ                                       { $$.intval = ConditionCode(COND_UZ); }
    | COND_NUZ                                      { $$.intval = ConditionCode(COND_NUZ); }
    | COND_MZ                                       { $$.intval = ConditionCode(COND_MZ); }
    | COND_NMZ                                      { $$.intval = ConditionCode(COND_NMZ); }
    | COND_UV                                       { $$.intval = ConditionCode(COND_UV); }
    | COND_NUV                                      { $$.intval = ConditionCode(COND_NUV); }
    | COND_MV                                       { $$.intval = ConditionCode(COND_MV); }
    | COND_NMV                                      { $$.intval = ConditionCode(COND_NMV); }
    | COND_UN                                       { $$.intval = ConditionCode(COND_UN); }
    | COND_NUN                                      { $$.intval = ConditionCode(COND_NUN); }
    | COND_MN                                       { $$.intval = ConditionCode(COND_MN); }
    | COND_NMN                                      { $$.intval = ConditionCode(COND_NMN); }
    | COND_UC                                       { $$.intval = ConditionCode(COND_UC); }
    | COND_NUC                                      { $$.intval = ConditionCode(COND_NUC); }
    | COND_MC                                       { $$.intval = ConditionCode(COND_MC); }
    | COND_NMC                                      { $$.intval = ConditionCode(COND_NMC); }
    | COND_USG                                      { $$.intval = ConditionCode(COND_USG); }
    | COND_USGE                                     { $$.intval = ConditionCode(COND_USGE); }
    | COND_MSG                                      { $$.intval = ConditionCode(COND_MSG); }
    | COND_MSGE                                     { $$.intval = ConditionCode(COND_MSGE); }
    | COND_USS                                      { $$.intval = ConditionCode(COND_USS); }
    | COND_USSE                                     { $$.intval = ConditionCode(COND_USSE); }
    | COND_MSS                                      { $$.intval = ConditionCode(COND_MSS); }
    | COND_MSSE                                     { $$.intval = ConditionCode(COND_MSSE); }
    | COND_UUG                                      { $$.intval = ConditionCode(COND_UUG); }
    | COND_UUGE                                     { $$.intval = ConditionCode(COND_UUGE); }
    | COND_MUG                                      { $$.intval = ConditionCode(COND_MUG); }
    | COND_MUGE                                     { $$.intval = ConditionCode(COND_MUGE); }
    | COND_UUS                                      { $$.intval = ConditionCode(COND_UUS); }
    | COND_UUSE                                     { $$.intval = ConditionCode(COND_UUSE); }
    | COND_MUS                                      { $$.intval = ConditionCode(COND_MUS); }
    | COND_MUSE                                     { $$.intval = ConditionCode(COND_MUSE); }
    ;

%%

/* The token code that the parser's symbol number stands for. */
static int TokenCode(yysymbol_kind_t kind) {
    for (int code = 0; code <= YYMAXUTOK; ++code)
        if (YYTRANSLATE(code) == kind)
            return code;
    return -1;
}

/* A syntax error: zanfo's one line, and for a listing the token the parser
 * stopped at and those it would have taken there. */
static int yyreport_syntax_error(const yypcontext_t *context) {
    yyerror(msgParseError);
    if (assemblyObserver) {
        yysymbol_kind_t expected[YYNTOKENS];
        int count = yypcontext_expected_tokens(context, expected, YYNTOKENS);
        std::vector<int> codes;
        for (int i = 0; i < count; ++i)
            codes.push_back(TokenCode(expected[i]));
        assemblyObserver->SyntaxError(TokenCode(yypcontext_token(context)), codes);
    }
    return 0;
}

const char *TokenName(int token) {
    if (token < 0 || token > YYMAXUTOK || (token > 0 && YYTRANSLATE(token) == YYSYMBOL_YYUNDEF))
        return nullptr;
    return yysymbol_name(YYTRANSLATE(token));
}

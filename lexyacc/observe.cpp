// zanfo: the listing's view of a run.
#include "observe.h"

#include <cstring>

#include "zanfo.h"

extern char yytext[];  // the scanner's text of the last token

AssemblyObserver *assemblyObserver = nullptr;

int ReadToken() {
    int token = yylex();
    if (assemblyObserver)
        assemblyObserver->Token(primeraPasada != 0, token, line, token ? yytext : "",
                                token == NUMBER ? yylval.intval : 0);
    return token;
}

std::string ReservedWord(int token) {
    const char *name = TokenName(token);
    if (!name)
        return "";
    for (const char *prefix : {"KW_", "COND_", "REG_"})
        if (strncmp(name, prefix, strlen(prefix)) == 0)
            return name + strlen(prefix);
    return "";
}

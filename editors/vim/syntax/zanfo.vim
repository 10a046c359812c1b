" Vim syntax file
" Language:    zanfo microassembly (.zan)
" Maintainer:  zanfo developers

if exists('b:current_syntax')
  finish
endif

" Keywords and register names are not case-sensitive.
syntax case ignore
syntax iskeyword @,48-57,_

" Program frame and statements.
syntax keyword zanfoStatement PROGRAM END EQU ORG

" Field items: sequencer, shifts, flag and bus loads, ALU operations.
syntax keyword zanfoSequencer NOP HALT JMPZ JMAP LDCOUNT LOOP RET CALL JUMP
syntax keyword zanfoShift     ASR ASL LSR LSL
syntax keyword zanfoLoad      LDUFLAG LDMFLAG LDIR LDMAR
syntax keyword zanfoFunction  COMP INCR DECR NOT NEG
syntax keyword zanfoOperator  AND OR NOTRS XOR XNOR
syntax match   zanfoOperator  "[-+=]"

" Registers and the other ALU operands.
syntax keyword zanfoRegister  IRA0 IRA1 IRA2 IRA3 IRB0 IRB1 IRB2 IRB3 RQ MEM UFLAG MFLAG
syntax match   zanfoRegister  "\<R\d\+\>"

" The 32 conditions: [N] U|M and Z V N C, or [U|M] and SG SGE SS SSE UG UGE US USE.
syntax keyword zanfoCondition UZ NUZ MZ NMZ UV NUV MV NMV UN NUN MN NMN UC NUC MC NMC
syntax keyword zanfoCondition USG USGE MSG MSGE USS USSE MSS MSSE
syntax keyword zanfoCondition UUG UUGE MUG MUGE UUS UUSE MUS MUSE

" Numbers: decimal, $hexadecimal, %octal.
syntax match   zanfoNumber    "\<\d\+\>"
syntax match   zanfoNumber    "\$\x\+\>"
syntax match   zanfoNumber    "%\o\+\>"

" A label: a name followed by a colon, in front of a microinstruction.
syntax match   zanfoLabel     "\<\a\w*\ze\s*:"

" Comments stand in braces, span lines and do not nest.
syntax keyword zanfoTodo      TODO FIXME XXX contained
syntax region  zanfoComment   start="{" end="}" contains=zanfoTodo,@Spell
" A closing brace outside a comment is a character zanfo does not know.
syntax match   zanfoError     "}"

highlight default link zanfoStatement PreProc
highlight default link zanfoSequencer Statement
highlight default link zanfoShift     Statement
highlight default link zanfoLoad      Statement
highlight default link zanfoFunction  Function
highlight default link zanfoOperator  Operator
highlight default link zanfoRegister  Identifier
highlight default link zanfoCondition Conditional
highlight default link zanfoNumber    Number
highlight default link zanfoLabel     Label
highlight default link zanfoComment   Comment
highlight default link zanfoTodo      Todo
highlight default link zanfoError     Error

let b:current_syntax = 'zanfo'

// zanfo: the 64-bit microword, field by field, most significant first, as
// microword/microword.h lays it out: `FIELD is the field's bit range.  Bits
// 61..60 and 55 belong to no field: zanfo writes them 0 and the board
// leaves them unconnected.  A test checks these ranges against the C++
// table (tests/hdl/tables.cpp).
`ifndef ZANFO_MICROWORD_VH
`define ZANFO_MICROWORD_VH

`define BREAK          63      // stop after this microinstruction (HALT)
`define COND_ENABLE    62      // 1: the sequencer's test passes without a condition
`define UNUSED61       61:60   // always 0
`define SEQUENCER      59:56   // Am2910 instruction
`define UNUSED55       55      // always 0
`define YBUS_CTRL      54:51   // what the D bus carries and where
`define SHIFT_CTRL     50:49   // what enters the shifter
`define COND_CODE      48:44   // the condition tested, on UFLAG or MFLAG
`define FLAG_INSTR     43:41   // flag register read or load
`define CARRY_IN       40      // the ALU's carry input
`define ALU_DEST       39:36   // where the ALU result goes
`define ALU_FUNCTION   35:33   // Am2901 function
`define ALU_SOURCE     32:30   // Am2901 source pair (R, S)
`define REG_SELECT     29:28   // A and B addresses direct or from the IR
`define REG_B          27:22   // B port address, read and written
`define REG_A          21:16   // A port address, read only
`define CONSTANT_ADDR  15:0    // constant, jump target or count

`endif

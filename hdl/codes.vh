// zanfo: the codes the board's decoder gives the rest of the board, named
// as machine/parts.h names them.
`ifndef ZANFO_CODES_VH
`define ZANFO_CODES_VH

// What the D bus carries into the ALU (DSource).
`define D_ZERO      3'd0
`define D_MEMORY    3'd1  // memory at MAR
`define D_CONSTANT  3'd2  // the constant field
`define D_UFLAG     3'd3  // UFLAG, zero-extended
`define D_MFLAG     3'd4  // MFLAG, zero-extended

// What the bus moves at the end of the cycle (Transfer).
`define T_NONE             3'd0
`define T_MEMORY_TO_IR     3'd1  // IR <- memory at MAR
`define T_F_TO_MEMORY      3'd2  // memory at MAR <- F
`define T_F_TO_MAR         3'd3  // MAR <- F
`define T_F_TO_FLAGS       3'd4  // F on the bus to the flag registers
`define T_CONST_TO_MEMORY  3'd5  // memory at MAR <- constant
`define T_CONST_TO_FLAGS   3'd6  // the constant on the bus to the flag registers

// What happens to the flag registers (FlagLoad).
`define L_NONE     3'd0
`define L_USTATUS  3'd1  // UFLAG <- status of F
`define L_MSTATUS  3'd2  // MFLAG <- status of F
`define L_UBUS     3'd3  // UFLAG <- low 4 bits of the bus
`define L_MBUS     3'd4  // MFLAG <- low 4 bits of the bus

// The Am2901's destinations (I8..I6).
`define QREG  3'd0  // F -> Q
`define NOP   3'd1  // nothing
`define RAMA  3'd2  // F -> B, Y = A
`define RAMF  3'd3  // F -> B
`define RAMQD 3'd4  // F/2 -> B, Q/2 -> Q
`define RAMD  3'd5  // F/2 -> B
`define RAMQU 3'd6  // 2F -> B, 2Q -> Q
`define RAMU  3'd7  // 2F -> B

// The fields whose value the model does not define (the error cause bits).
`define BAD_SEQUENCER  0  // Sequencer 6 (CJV)
`define BAD_YBUS       1  // YBusCtrl 3, 11..15
`define BAD_SHIFT      2  // ShiftCtrl 1, 3
`define BAD_FLAG       3  // FlagInstr 1
`define BAD_DEST       4  // AluDest 0..4, 6, 10, 12, 14

`endif

// zanfo: the flag registers UFLAG and MFLAG, Z N V C in bits 0..3, each
// loaded at the end of a cycle with the status of F or with the low four
// bits of the bus, as FlagInstr says (the decoder's `L_... code).
`timescale 1ns / 1ns
`default_nettype none
`include "codes.vh"
module zanfo_flag_registers (
    input  wire       clk,
    input  wire       ce,       // the cycle runs
    input  wire [2:0] load,     // what is loaded (`L_...)
    input  wire [3:0] status,   // the status of F
    input  wire [3:0] bus,      // the low four bits of the bus
    output reg  [3:0] uflag = 4'h0,
    output reg  [3:0] mflag = 4'h0
);
    always @(posedge clk)
        if (ce)
            case (load)
                `L_USTATUS: uflag <= status;
                `L_MSTATUS: mflag <= status;
                `L_UBUS:    uflag <= bus;
                `L_MBUS:    mflag <= bus;
                default: ;
            endcase
endmodule
`default_nettype wire

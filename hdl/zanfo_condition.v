// zanfo: the condition select.  CondCode 0..15 picks a flag register and
// a relation on its Z, N, V and C (bits 0 to 3); 16..31 are the negations
// of 0..15.  It drives the Am2910's CC input, active low (the test passes
// when CC is low), and CCEN: CondEnable 1 drives CCEN high, so that the
// test passes whatever CC is.  The flag registers are clocked: a word that
// loads one and tests it sees the value from before the word.
`timescale 1ns / 1ns
`default_nettype none
module zanfo_condition (
    input  wire [4:0] code,    // CondCode
    input  wire       enable,  // CondEnable: 1, no condition
    input  wire [3:0] uflag,   // UFLAG: Z N V C in bits 0..3
    input  wire [3:0] mflag,   // MFLAG, likewise
    output wire       cc_n,    // CC: low when the condition holds
    output wire       ccen_n   // CCEN: high when no condition is tested
);
    // The relations (machine/parts.h's Relation), read as a compared with b
    // after COMP(a, b), which computes a + ~b + 1.
    localparam [2:0] Z = 3'd0,                 // Z
                     N = 3'd1,                 // N
                     V = 3'd2,                 // V
                     C = 3'd3,                 // C
                     SIGNED_GREATER = 3'd4,    // not (N xor V) and not Z
                     SIGNED_SMALLER = 3'd5,    // N xor V
                     UNSIGNED_GREATER = 3'd6,  // C and not Z
                     UNSIGNED_SMALLER = 3'd7;  // not C
    localparam UFLAG = 1'b0, MFLAG = 1'b1;

    reg reads;        // the flag register the test reads
    reg [2:0] holds;  // what must hold on it
    always @* begin
        case (code[3:0])
            4'd0:  begin reads = UFLAG; holds = Z;                end  //  0 UZ
            4'd1:  begin reads = UFLAG; holds = N;                end  //  1 UN
            4'd2:  begin reads = UFLAG; holds = V;                end  //  2 UV
            4'd3:  begin reads = UFLAG; holds = C;                end  //  3 UC
            4'd4:  begin reads = MFLAG; holds = Z;                end  //  4 MZ
            4'd5:  begin reads = MFLAG; holds = N;                end  //  5 MN
            4'd6:  begin reads = MFLAG; holds = V;                end  //  6 MV
            4'd7:  begin reads = MFLAG; holds = C;                end  //  7 MC
            4'd8:  begin reads = UFLAG; holds = SIGNED_GREATER;   end  //  8 USG
            4'd9:  begin reads = UFLAG; holds = SIGNED_SMALLER;   end  //  9 USS
            4'd10: begin reads = UFLAG; holds = UNSIGNED_GREATER; end  // 10 UUG
            4'd11: begin reads = UFLAG; holds = UNSIGNED_SMALLER; end  // 11 UUS
            4'd12: begin reads = MFLAG; holds = SIGNED_GREATER;   end  // 12 MSG
            4'd13: begin reads = MFLAG; holds = SIGNED_SMALLER;   end  // 13 MSS
            4'd14: begin reads = MFLAG; holds = UNSIGNED_GREATER; end  // 14 MUG
            default: begin reads = MFLAG; holds = UNSIGNED_SMALLER; end  // 15 MUS
        endcase
    end

    wire [3:0] flags = reads == MFLAG ? mflag : uflag;
    wire z = flags[0], n = flags[1], v = flags[2], c = flags[3];
    reg relation_holds;
    always @* begin
        case (holds)
            Z: relation_holds = z;
            N: relation_holds = n;
            V: relation_holds = v;
            C: relation_holds = c;
            SIGNED_GREATER: relation_holds = n == v && !z;
            SIGNED_SMALLER: relation_holds = n != v;
            UNSIGNED_GREATER: relation_holds = c && !z;
            default: relation_holds = !c;
        endcase
    end
    assign cc_n = !(relation_holds ^ code[4]);
    assign ccen_n = enable;
endmodule
`default_nettype wire

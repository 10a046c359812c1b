// zanfo: the ALU, an Am2901 over 16 bits.  Four 4-bit slices with their
// carry chain give the same F, carry and overflow for functions 0 to 2; one
// 16-bit part keeps the model short.  It holds the Am2901's three tables:
// the source pairs onto R and S (I2..I0), the functions (I5..I3) and the
// destinations (I8..I6), which say what goes to the register at the B
// address, to Q and to the Y output, through the shifters.  The register
// file and Q belong to the board (a bare slice has 16 registers of 4 bits):
// their contents come in on a, b and q, and what is to be written goes out
// with its write enable.  The tables read beside machine/parts.h.
`timescale 1ns / 1ns
`default_nettype none
module zanfo_am2901 (
    input  wire [2:0]  source,      // I2..I0: the source pair (R, S)
    input  wire [2:0]  func,        // I5..I3: the function
    input  wire [2:0]  dest,        // I8..I6: the destination
    input  wire        cin,         // Cn: the carry in
    input  wire [15:0] a,           // the register at the A address
    input  wire [15:0] b,           // the register at the B address
    input  wire [15:0] q,           // the Q register
    input  wire [15:0] d,           // the D input
    input  wire        ram_msb_in,  // RAM15: what enters a right shift of F
    input  wire        ram_lsb_in,  // RAM0: what enters a left shift of F
    input  wire        q_msb_in,    // Q15: what enters a right shift of Q
    input  wire        q_lsb_in,    // Q0: what enters a left shift of Q
    output reg  [15:0] r,           // the R input of the function
    output reg  [15:0] s,           // the S input
    output reg  [15:0] f,           // the result
    output wire        f_zero,      // F = 0
    output wire        f_msb,       // F15, the sign
    output wire        cout,        // Cn+16: the adder's carry out of bit 15
    output wire        ovr,         // the adder's signed overflow
    output reg         ram_we,      // write ram_data into the B register
    output reg  [15:0] ram_data,    // F, or F shifted
    output reg         q_we,        // write q_data into Q
    output reg  [15:0] q_data,      // F, or Q shifted
    output wire [15:0] y            // the Y output: A with RAMA, F otherwise
);
    // The values that reach R and S (machine/parts.h's Operand).
    localparam [2:0] ZERO = 3'd0, A = 3'd1, B = 3'd2, Q = 3'd3, D = 3'd4;

    function [15:0] operand(input [2:0] which, input [15:0] av, input [15:0] bv, input [15:0] qv,
                            input [15:0] dv);
        case (which)
            A:       operand = av;
            B:       operand = bv;
            Q:       operand = qv;
            D:       operand = dv;
            default: operand = 16'h0000;
        endcase
    endfunction

    // AluSource: the Am2901's eight source pairs (R, S).
    reg [2:0] r_from, s_from;
    always @* begin
        case (source)
            3'd0: begin r_from = A;    s_from = Q;    end  // 0  A, Q
            3'd1: begin r_from = A;    s_from = B;    end  // 1  A, B
            3'd2: begin r_from = ZERO; s_from = Q;    end  // 2  0, Q
            3'd3: begin r_from = ZERO; s_from = B;    end  // 3  0, B
            3'd4: begin r_from = ZERO; s_from = A;    end  // 4  0, A
            3'd5: begin r_from = D;    s_from = A;    end  // 5  D, A
            3'd6: begin r_from = D;    s_from = Q;    end  // 6  D, Q
            default: begin r_from = D; s_from = ZERO; end  // 7  D, 0
        endcase
        r = operand(r_from, a, b, q, d);
        s = operand(s_from, a, b, q, d);
    end

    // The adder, for the first three functions: R or ~R plus S or ~S plus Cn.
    wire [15:0] x = func == 3'd1 ? ~r : r;
    wire [15:0] z = func == 3'd2 ? ~s : s;
    wire [16:0] sum = {1'b0, x} + {1'b0, z} + {16'h0000, cin};

    // AluFunction: the Am2901's eight functions, with carry-in Cn.
    always @* begin
        case (func)
            3'd0: f = sum[15:0];   // 0  R + S + c
            3'd1: f = sum[15:0];   // 1  S + ~R + c
            3'd2: f = sum[15:0];   // 2  R + ~S + c
            3'd3: f = r | s;       // 3  R | S
            3'd4: f = r & s;       // 4  R & S
            3'd5: f = ~r & s;      // 5  ~R & S
            3'd6: f = r ^ s;       // 6  R ^ S
            default: f = ~(r ^ s); // 7  ~(R ^ S)
        endcase
    end

    // The status.  Cn+16 and OVR are the adder's whatever the function:
    // after the logic functions a real Am2901 drives them from its
    // carry-lookahead terms instead, and the board's status clears them
    // after those functions either way (zanfo_board).
    assign f_zero = f == 16'h0000;
    assign f_msb = f[15];
    assign cout = sum[16];
    assign ovr = x[15] == z[15] && sum[15] != x[15];

    // The Am2901's eight destinations: what the B register and Q get, and
    // what the Y output shows.  "Down" shifts towards bit 0 (F/2), "up"
    // towards bit 15 (2F); the shift pins say what enters.
    reg y_is_a;
    always @* begin
        ram_we = 1'b0;
        ram_data = f;
        q_we = 1'b0;
        q_data = f;
        y_is_a = 1'b0;
        case (dest)
            3'd0: q_we = 1'b1;                                                  // 0 QREG   F -> Q
            3'd1: ;                                                             // 1 NOP
            3'd2: begin ram_we = 1'b1; y_is_a = 1'b1; end                       // 2 RAMA   F -> B, Y = A
            3'd3: ram_we = 1'b1;                                                // 3 RAMF   F -> B
            3'd4: begin                                                         // 4 RAMQD  F/2 -> B, Q/2 -> Q
                ram_we = 1'b1; ram_data = {ram_msb_in, f[15:1]};
                q_we = 1'b1;   q_data = {q_msb_in, q[15:1]};
            end
            3'd5: begin ram_we = 1'b1; ram_data = {ram_msb_in, f[15:1]}; end    // 5 RAMD   F/2 -> B
            3'd6: begin                                                         // 6 RAMQU  2F -> B, 2Q -> Q
                ram_we = 1'b1; ram_data = {f[14:0], ram_lsb_in};
                q_we = 1'b1;   q_data = {q[14:0], q_lsb_in};
            end
            default: begin ram_we = 1'b1; ram_data = {f[14:0], ram_lsb_in}; end // 7 RAMU   2F -> B
        endcase
    end
    assign y = y_is_a ? a : f;
endmodule
`default_nettype wire

// zanfo: the sequencer, an Am2910.  Each of its sixteen instructions takes
// one of four paths, chosen by the register/counter R (zero or not) and by
// the test; a path says where the next address comes from, what happens to
// the five-entry stack and what happens to R, as machine/parts.h's
// kSequencer does, in the same order.
//
// The test passes when CCEN is high (no condition) or CC is low.  JMAP and
// CJV take the next address from D like the jumps, but pull MAP or VECT low
// instead of PL, so that the board puts the mapping (or a vector) on D.
//
// upc holds the address of the word being run (zanfo-sim's μPC); the
// part's μPC register, this address + 1, is upc + 1.  A bare Am2910 has no
// error outputs: it overwrites its top entry on a sixth push and reads a
// stale one from an empty stack.  overflow and underflow say when this
// cycle would do so; the board stops the machine on them.
`timescale 1ns / 1ns
`default_nettype none
module zanfo_am2910 (
    input  wire        clk,
    input  wire        ce,         // the clock enable: the cycle runs
    input  wire        reset,      // start again at `start`, R = 0, the stack empty
    input  wire [11:0] start,      // the address reset jumps to
    input  wire [3:0]  i,          // I3..I0: the instruction
    input  wire        cc_n,       // CC, active low: the condition holds
    input  wire        ccen_n,     // CCEN, active low: the condition is tested
    input  wire        rld_n,      // RLD, active low: R <- D whatever the instruction
    input  wire [11:0] d,          // D: the jump target, count or mapping
    output reg  [11:0] y,          // the next address
    output wire        pl_n,       // the pipeline register drives D
    output wire        map_n,      // the mapping drives D (JMAP)
    output wire        vect_n,     // the vector drives D (CJV)
    output wire        full_n,     // the stack holds five entries
    output wire        pass,       // the test passes
    output wire        overflow,   // this cycle would push onto a full stack
    output wire        top_empty,  // this cycle would read the top of an empty stack
    output wire        pop_empty,  // this cycle would pop an empty stack
    output reg  [11:0] upc = 12'h000,      // the address of the word being run
    output reg  [11:0] counter = 12'h000,  // the register/counter R
    output reg  [2:0]  sp = 3'd0           // the stack's depth, 0..5
);
    reg [11:0] stack [0:4];  // stack[0] is the bottom entry

    // A path: the next address, the stack operation and R's operation.
    localparam [2:0] ZERO = 3'd0, UPC = 3'd1, D = 3'd2, R = 3'd3, TOP = 3'd4, MAP = 3'd5, VECTOR = 3'd6;
    localparam [1:0] HOLD = 2'd0, PUSH = 2'd1, POP = 2'd2, CLEAR = 2'd3;
    localparam [1:0] KEEP = 2'd0, LOAD = 2'd1, DEC = 2'd2;

    function [6:0] P(input [2:0] next, input [1:0] stack_op, input [1:0] counter_op);
        P = {next, stack_op, counter_op};
    endfunction
    // The four paths, packed by index {R = 0, pass}: R != 0 fail, R != 0
    // pass, R = 0 fail, R = 0 pass (machine/parts.h's PathIndex).
    function [27:0] Paths(input [6:0] nonzero_fail, input [6:0] nonzero_pass, input [6:0] zero_fail,
                          input [6:0] zero_pass);
        Paths = {zero_pass, zero_fail, nonzero_pass, nonzero_fail};
    endfunction
    // The same path whatever R and the test.
    function [27:0] Always(input [6:0] p);
        Always = Paths(p, p, p, p);
    endfunction
    // By the test only: fail, pass.
    function [27:0] Test(input [6:0] fail, input [6:0] pass_path);
        Test = Paths(fail, pass_path, fail, pass_path);
    endfunction
    // By R only: R != 0, R = 0.
    function [27:0] Count(input [6:0] nonzero, input [6:0] zero);
        Count = Paths(nonzero, nonzero, zero, zero);
    endfunction

    reg [27:0] paths;
    always @* begin
        case (i)
            4'd0:  paths = Always(P(ZERO, CLEAR, KEEP));                        //  0 JZ
            4'd1:  paths = Test(P(UPC, HOLD, KEEP), P(D, PUSH, KEEP));          //  1 CJS
            4'd2:  paths = Always(P(MAP, HOLD, KEEP));                          //  2 JMAP
            4'd3:  paths = Test(P(UPC, HOLD, KEEP), P(D, HOLD, KEEP));          //  3 CJP
            4'd4:  paths = Test(P(UPC, PUSH, KEEP), P(UPC, PUSH, LOAD));        //  4 PUSH
            4'd5:  paths = Test(P(R, PUSH, KEEP), P(D, PUSH, KEEP));            //  5 JSRP
            4'd6:  paths = Always(P(VECTOR, HOLD, KEEP));                       //  6 CJV
            4'd7:  paths = Test(P(R, HOLD, KEEP), P(D, HOLD, KEEP));            //  7 JRP
            4'd8:  paths = Count(P(TOP, HOLD, DEC), P(UPC, POP, KEEP));         //  8 RFCT
            4'd9:  paths = Count(P(D, HOLD, DEC), P(UPC, HOLD, KEEP));          //  9 RPCT
            4'd10: paths = Test(P(UPC, HOLD, KEEP), P(TOP, POP, KEEP));         // 10 CRTN
            4'd11: paths = Test(P(UPC, HOLD, KEEP), P(D, POP, KEEP));           // 11 CJPP
            4'd12: paths = Always(P(UPC, HOLD, LOAD));                          // 12 LDCT
            4'd13: paths = Test(P(TOP, HOLD, KEEP), P(UPC, POP, KEEP));         // 13 LOOP
            4'd14: paths = Always(P(UPC, HOLD, KEEP));                          // 14 CONT
            default: paths = Paths(P(TOP, HOLD, DEC), P(UPC, POP, DEC),         // 15 TWB
                                   P(D, POP, KEEP), P(UPC, POP, KEEP));
        endcase
    end

    assign pass = ccen_n | ~cc_n;
    wire zero = counter == 12'h000;
    wire [6:0] path = paths[7 * {zero, pass} +: 7];
    wire [2:0] next = path[6:4];
    wire [1:0] stack_op = path[3:2];
    wire [1:0] counter_op = path[1:0];

    wire [11:0] upc_plus = upc + 12'd1;  // the part's μPC register
    wire [11:0] top = sp == 3'd0 ? 12'h000 : stack[sp - 3'd1];
    always @* begin
        case (next)
            ZERO:    y = 12'h000;
            UPC:     y = upc_plus;
            R:       y = counter;
            TOP:     y = top;
            default: y = d;  // D, MAP and VECTOR: what the board puts on D
        endcase
    end
    assign pl_n = next == MAP || next == VECTOR;
    assign map_n = next != MAP;
    assign vect_n = next != VECTOR;
    assign full_n = sp != 3'd5;

    assign overflow = stack_op == PUSH && sp == 3'd5;
    assign top_empty = next == TOP && sp == 3'd0;
    assign pop_empty = stack_op == POP && sp == 3'd0;

    always @(posedge clk) begin
        if (reset) begin
            upc <= start;
            counter <= 12'h000;
            sp <= 3'd0;
        end else if (ce) begin
            upc <= y;
            if (!rld_n || counter_op == LOAD)
                counter <= d;
            else if (counter_op == DEC)
                counter <= counter - 12'd1;
            case (stack_op)
                PUSH: begin stack[sp] <= upc_plus; sp <= sp + 3'd1; end
                POP: sp <= sp - 3'd1;
                CLEAR: sp <= 3'd0;
                default: ;
            endcase
        end
    end
endmodule
`default_nettype wire

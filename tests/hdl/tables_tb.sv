// zanfo: the Verilog parts' tables, printed one line per entry in the form
// tables.cpp prints machine/parts.h's and microword/microword.h's, so that
// a diff shows any place where the two descriptions part.
`timescale 1ns / 1ns
`include "codes.vh"
module tables_tb;
    reg [63:0] word = 64'h0;
    reg loop_to_address = 1'b0;
    wire halt, cond_enable, arithmetic, carry_in, ir_a, ir_b;
    wire [3:0] sequencer, ybus, alu_dest;
    wire [4:0] cond_code, unmodelled;
    wire [2:0] flag_instr, alu_function, alu_source, slice_dest, d_source, transfer, flag_load;
    wire [5:0] reg_a, reg_b;
    wire [15:0] constant;
    zanfo_decode decode (
        .word(word), .loop_to_address(loop_to_address), .halt(halt), .cond_enable(cond_enable),
        .sequencer(sequencer), .cond_code(cond_code), .ybus(ybus), .arithmetic(arithmetic),
        .flag_instr(flag_instr), .carry_in(carry_in), .alu_dest(alu_dest), .alu_function(alu_function),
        .alu_source(alu_source), .ir_a(ir_a), .ir_b(ir_b), .reg_a(reg_a), .reg_b(reg_b),
        .constant(constant), .slice_dest(slice_dest), .d_source(d_source), .transfer(transfer),
        .flag_load(flag_load), .unmodelled(unmodelled));

    reg [2:0] source = 3'd0, func = 3'd3, dest = 3'd1;
    wire [15:0] r, s, f, ram_data, q_data, y;
    wire f_zero, f_msb, cout, ovr, ram_we, q_we;
    localparam [15:0] A = 16'h1111, B = 16'h2222, Q = 16'h3333, D = 16'h4444;
    reg [15:0] d = D;
    zanfo_am2901 alu (
        .source(source), .func(func), .dest(dest), .cin(1'b0), .a(A), .b(B), .q(Q), .d(d), .ram_msb_in(1'b0),
        .ram_lsb_in(1'b0), .q_msb_in(1'b0), .q_lsb_in(1'b0), .r(r), .s(s), .f(f), .f_zero(f_zero), .f_msb(f_msb),
        .cout(cout), .ovr(ovr), .ram_we(ram_we), .ram_data(ram_data), .q_we(q_we), .q_data(q_data), .y(y));

    reg [4:0] code = 5'd31;  // (not the first value set: always @* waits for a change)
    reg enable = 1'b0;
    reg [3:0] flags = 4'hF;
    wire cc_n, ccen_n;
    zanfo_condition condition (
        .code(code), .enable(enable), .uflag(flags), .mflag(flags), .cc_n(cc_n), .ccen_n(ccen_n));

    reg clk = 1'b0;
    reg [3:0] instruction = 4'd15;
    reg cc = 1'b1;
    wire [11:0] y_seq;
    wire pl_n, map_n, vect_n, full_n, pass, overflow, top_empty, pop_empty;
    wire [11:0] upc, counter;
    wire [2:0] sp;
    zanfo_am2910 seq (
        .clk(clk), .ce(1'b0), .reset(1'b0), .start(12'h000), .i(instruction), .cc_n(cc), .ccen_n(1'b0),
        .rld_n(1'b1), .d(12'h000), .y(y_seq), .pl_n(pl_n), .map_n(map_n), .vect_n(vect_n), .full_n(full_n),
        .pass(pass), .overflow(overflow), .top_empty(top_empty), .pop_empty(pop_empty), .upc(upc),
        .counter(counter), .sp(sp));

    // (Functions rather than ?: between strings, which Verilog pads.)
    function automatic string defined(input bad);
        if (bad) return "undefined";
        return "defined";
    endfunction

    function automatic string destination(input b_we, input q_we_);
        if (b_we) return "B";
        if (q_we_) return "Q";
        return "None";
    endfunction

    function automatic string shift(input b_we, input [15:0] written);
        if (!b_we || written == 16'h4002) return "None";
        if (written == 16'h2001) return "Right";
        return "Left";
    endfunction

    function automatic string operand(input [15:0] value);
        case (value)
            A: return "A";
            B: return "B";
            Q: return "Q";
            D: return "D";
            default: return "Zero";
        endcase
    endfunction

    function automatic string d_name(input [2:0] code_);
        case (code_)
            `D_MEMORY: return "Memory";
            `D_CONSTANT: return "Constant";
            `D_UFLAG: return "Uflag";
            `D_MFLAG: return "Mflag";
            default: return "Zero";
        endcase
    endfunction

    function automatic string transfer_name(input [2:0] code_);
        case (code_)
            `T_MEMORY_TO_IR: return "MemoryToIr";
            `T_F_TO_MEMORY: return "FToMemory";
            `T_F_TO_MAR: return "FToMar";
            `T_F_TO_FLAGS: return "FToFlags";
            `T_CONST_TO_MEMORY: return "ConstToMemory";
            `T_CONST_TO_FLAGS: return "ConstToFlags";
            default: return "None";
        endcase
    endfunction

    function automatic string load_name(input [2:0] code_);
        case (code_)
            `L_USTATUS: return "UStatus";
            `L_MSTATUS: return "MStatus";
            `L_UBUS: return "UBus";
            `L_MBUS: return "MBus";
            default: return "None";
        endcase
    endfunction

    function automatic string next_name(input [2:0] code_);
        case (code_)
            3'd0: return "Zero";
            3'd1: return "Upc";
            3'd2: return "D";
            3'd3: return "R";
            3'd4: return "Top";
            3'd5: return "Map";
            default: return "Vector";
        endcase
    endfunction

    function automatic string stack_name(input [1:0] code_);
        case (code_)
            2'd0: return "Hold";
            2'd1: return "Push";
            2'd2: return "Pop";
            default: return "Clear";
        endcase
    endfunction

    function automatic string counter_name(input [1:0] code_);
        case (code_)
            2'd0: return "Hold";
            2'd1: return "Load";
            default: return "Decrement";
        endcase
    endfunction

    // The field a lone bit of the word reaches, as its index in the order
    // of microword.h (Break 0 ... ConstantAddr 16), or -1.
    function automatic integer field_of_bit;
        integer found;
        found = -1;
        if (halt) found = 0;
        if (cond_enable) found = 1;
        if (decode.sequencer_field != 0) found = 3;
        if (ybus != 0) found = 5;
        if (decode.shift_ctrl != 0) found = 6;
        if (cond_code != 0) found = 7;
        if (flag_instr != 0) found = 8;
        if (carry_in) found = 9;
        if (alu_dest != 0) found = 10;
        if (alu_function != 0) found = 11;
        if (alu_source != 0) found = 12;
        if (ir_a || ir_b) found = 13;
        if (reg_b != 0) found = 14;
        if (reg_a != 0) found = 15;
        if (constant != 0) found = 16;
        return found;
    endfunction

    integer low [0:16];
    integer high [0:16];
    integer k, m, at;
    initial begin
        for (k = 0; k < 17; k = k + 1) begin
            low[k] = 64;
            high[k] = -1;
        end
        for (k = 0; k < 64; k = k + 1) begin
            word = 64'h1 << k;
            #1;
            at = field_of_bit();
            if (at < 0) begin
                $display("unused %0d", k);
            end else begin
                if (k < low[at]) low[at] = k;
                if (k > high[at]) high[at] = k;
            end
        end
        for (k = 0; k < 17; k = k + 1)
            if (high[k] >= 0)
                $display("field %0d %0d %0d", k, low[k], high[k] - low[k] + 1);

        for (k = 0; k < 8; k = k + 1) begin
            source = k;
            #1 $display("source %0d %s %s", k, operand(r), operand(s));
        end

        // The destinations, with F = D = 4002 (source D, 0; function OR).
        source = 3'd7;
        d = 16'h4002;
        for (k = 0; k < 16; k = k + 1) begin
            word = 64'h0 | (64'(k) << 36);
            #1 dest = slice_dest;
            #1 $display("dest %0d %s %s %s", k, defined(unmodelled[`BAD_DEST]), destination(ram_we, q_we),
                        shift(ram_we, ram_data));
        end
        for (k = 0; k < 4; k = k + 1) begin
            word = 64'(k) << 49;
            #1 $display("shift %0d %s", k, defined(unmodelled[`BAD_SHIFT]));
        end
        for (k = 0; k < 16; k = k + 1) begin
            word = 64'(k) << 51;
            #1 $display("bus %0d %s %s %s", k, defined(unmodelled[`BAD_YBUS]), d_name(d_source),
                        transfer_name(transfer));
        end
        for (k = 0; k < 8; k = k + 1) begin
            word = (64'd10 << 51) | (64'(k) << 41);
            #1 $display("flag %0d %s %s %s", k, defined(unmodelled[`BAD_FLAG]), d_name(d_source),
                        load_name(flag_load));
        end
        word = 64'h6 << 56;
        #1 $display("sequencer 6 %s", defined(unmodelled[`BAD_SEQUENCER]));
        word = 64'h8 << 56;
        loop_to_address = 1'b1;
        #1 $display("loop_to_address 8 %0d", sequencer);
        loop_to_address = 1'b0;

        for (k = 0; k < 32; k = k + 1)
            for (m = 0; m < 16; m = m + 1) begin
                code = k;
                flags = m;
                #1 $display("condition %0d %0d %0d", k, m, !cc_n);
            end
        enable = 1'b1;
        #1 $display("condition enable %0d", ccen_n);

        // The Am2910's paths: R != 0 fail, R != 0 pass, R = 0 fail, R = 0 pass.
        for (k = 0; k < 16; k = k + 1)
            for (m = 0; m < 4; m = m + 1) begin
                instruction = k;
                seq.counter = m >= 2 ? 12'h000 : 12'h005;
                cc = !m[0];
                #1 $display("path %0d %0d %s %s %s", k, m, next_name(seq.next), stack_name(seq.stack_op),
                            counter_name(seq.counter_op));
            end
    end
endmodule

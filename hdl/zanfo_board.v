// zanfo: the board.  The parts wired as zanfo's cycle reads them: the
// control store and its pipeline register, the decoder, the register file
// and Q, the ALU (zanfo_am2901) with its shift linkage, the D bus, MAR, the
// memory, IR, the flag registers and the condition select, the mapping,
// and the sequencer (zanfo_am2910).  Everything is read at the start of a
// cycle and written at the clock edge that ends it.
//
// A cycle runs when `enable` is high and nothing stops it.  A word whose
// Break bit is set runs, then `halted` rises and the board holds.  A word
// that cannot run (`error` says why: a field value not modelled, the stack,
// an opcode the mapping leaves out) changes nothing: `failed` rises at the
// edge and the board holds its state.  `reset` starts the sequencer again
// at `start` with R = 0 and the stack empty, and loads the pipeline
// register; the rest of the state is not touched (it is 0 at power-up).
//
// The memories read synchronously, as block RAM does: each is addressed
// with what its address register will hold after the edge, so that its
// output holds the word for the next cycle.
`timescale 1ns / 1ns
`default_nettype none
`include "codes.vh"
module zanfo_board #(
    parameter STORE_WORDS = 4096,    // control store depth, a power of two up to 4096
    parameter MEMORY_WORDS = 65536,  // memory words, a power of two up to 65536
    parameter STORE_INIT = "",       // $readmemh images (zanfo-rom), or none
    parameter MEMORY_INIT = "",
    parameter MAPPING_INIT = ""
) (
    input  wire        clk,
    input  wire        reset,            // restart the sequencer at `start`
    input  wire [11:0] start,            // the start address
    input  wire        enable,           // run: cycles go on while high
    input  wire        mapped,           // the mapping is fitted: JMAP goes through it (else to IR >> 8)
    input  wire        loop_to_address,  // the strap that runs RFCT (8) as RPCT (9)
    output reg         halted = 1'b0,    // a HALT word has run
    output reg         failed = 1'b0,    // a word could not run
    output wire [8:0]  error,            // why the word at upc cannot run (see `ERR_... below)
    output wire [11:0] address,          // upc: the address of the word being run
    output wire [15:0] bus_out           // F, as the ALU's Y output drives it
);
    // The error bits: the fields not modelled (`BAD_... of codes.vh), then
    // the stack and the mapping.
    localparam ERR_OVERFLOW = 5, ERR_TOP_EMPTY = 6, ERR_POP_EMPTY = 7, ERR_UNMAPPED = 8;

    wire run;

    // The control store and the pipeline register: the word at upc.
    wire [11:0] next;      // the sequencer's Y
    wire [11:0] upc;
    wire [63:0] word;
    zanfo_rom #(.WIDTH(64), .DEPTH(STORE_WORDS), .ABITS(12), .INIT(STORE_INIT)) store (
        .clk(clk), .address(reset ? start : run ? next : upc), .data(word));
    assign address = upc;

    // The decoder.
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

    // The registers of the board.
    reg [15:0] q = 16'h0000;    // Q
    reg [15:0] mar = 16'h0000;  // the memory address register
    reg [15:0] ir = 16'h0000;   // the instruction register
    wire [3:0] uflag, mflag;

    // Register addresses: RegA and RegB, or the 4-bit field k of the IR,
    // k = bits 5..4 of RegA or RegB (IRA0 takes IR bits 3..0, IRA3 15..12).
    function [5:0] address_of(input from_ir, input [5:0] field, input [15:0] ir_value);
        address_of = from_ir ? {2'b00, ir_value[4 * field[5:4] +: 4]} : field;
    endfunction
    wire [5:0] a_address = address_of(ir_a, reg_a, ir);
    wire [5:0] b_address = address_of(ir_b, reg_b, ir);

    // The D bus: memory at MAR, the constant, a flag register, or 0.
    wire [15:0] memory_word;
    reg [15:0] dbus;
    always @* begin
        case (d_source)
            `D_MEMORY:   dbus = memory_word;
            `D_CONSTANT: dbus = constant;
            `D_UFLAG:    dbus = {12'h000, uflag};
            `D_MFLAG:    dbus = {12'h000, mflag};
            default:     dbus = 16'h0000;
        endcase
    end

    // The register file and the ALU.  The shift linkage: a zero enters
    // a left shift; F15 enters a right shift with ShiftCtrl 2, a zero with 0.
    wire [15:0] a, b, r, s, f, ram_data, q_data, y;
    wire f_zero, f_msb, cout, ovr, ram_we, q_we;
    zanfo_register_file registers (
        .clk(clk), .a_address(a_address), .b_address(b_address), .we(run && ram_we), .data(ram_data),
        .a(a), .b(b));
    zanfo_am2901 alu (
        .source(alu_source), .func(alu_function), .dest(slice_dest), .cin(carry_in), .a(a), .b(b), .q(q),
        .d(dbus), .ram_msb_in(arithmetic && f_msb), .ram_lsb_in(1'b0), .q_msb_in(1'b0), .q_lsb_in(1'b0),
        .r(r), .s(s), .f(f), .f_zero(f_zero), .f_msb(f_msb), .cout(cout), .ovr(ovr), .ram_we(ram_we),
        .ram_data(ram_data), .q_we(q_we), .q_data(q_data), .y(y));
    assign bus_out = y;

    // The status the flag registers load: Z and N of F; C and V after the
    // adding functions (0 to 2) only, cleared after the logic functions,
    // where a bare Am2901 drives its carry-lookahead terms instead.
    wire adds = alu_function <= 3'd2;
    wire [3:0] status = {adds && cout, adds && ovr, f_msb, f_zero};

    // The bus to the flag registers: F (the ALU's Y) with YBusCtrl 6, the
    // constant with 9, otherwise 0.
    wire [15:0] bus = transfer == `T_F_TO_FLAGS ? y : transfer == `T_CONST_TO_FLAGS ? constant : 16'h0000;
    zanfo_flag_registers flags (
        .clk(clk), .ce(run), .load(flag_load), .status(status), .bus(bus[3:0]), .uflag(uflag), .mflag(mflag));

    // Q, MAR, IR and the memory.  MAR is the value at the start of the cycle.
    wire [15:0] mar_next = run && transfer == `T_F_TO_MAR ? y : mar;
    wire [15:0] ir_next = run && transfer == `T_MEMORY_TO_IR ? memory_word : ir;
    wire memory_we = run && (transfer == `T_F_TO_MEMORY || transfer == `T_CONST_TO_MEMORY);
    zanfo_ram #(.WORDS(MEMORY_WORDS), .INIT(MEMORY_INIT)) memory (
        .clk(clk), .read_address(mar_next), .data(memory_word), .we(memory_we), .write_address(mar),
        .write_data(transfer == `T_CONST_TO_MEMORY ? constant : y));
    always @(posedge clk) begin
        if (run && q_we)
            q <= q_data;
        mar <= mar_next;
        ir <= ir_next;
    end

    // The condition select, the mapping and the sequencer.  JMAP pulls MAP
    // low: the mapping drives the sequencer's D input, or, without one, IR's
    // high byte does.  A mapping word FFFF leaves its opcode unmapped.
    wire cc_n, ccen_n, pl_n, map_n, vect_n, full_n, pass, overflow, top_empty, pop_empty;
    wire [11:0] counter;
    wire [2:0] sp;
    wire [15:0] mapping_word;
    zanfo_condition condition (
        .code(cond_code), .enable(cond_enable), .uflag(uflag), .mflag(mflag), .cc_n(cc_n), .ccen_n(ccen_n));
    zanfo_rom #(.WIDTH(16), .DEPTH(256), .ABITS(8), .INIT(MAPPING_INIT)) mapping (
        .clk(clk), .address(ir_next[15:8]), .data(mapping_word));
    wire [11:0] mapped_address = mapped ? mapping_word[11:0] : {4'h0, ir[15:8]};
    wire [11:0] seq_d = !map_n ? mapped_address : !vect_n ? 12'h000 : constant[11:0];
    zanfo_am2910 seq (
        .clk(clk), .ce(run), .reset(reset), .start(start), .i(sequencer), .cc_n(cc_n), .ccen_n(ccen_n),
        .rld_n(1'b1), .d(seq_d), .y(next), .pl_n(pl_n), .map_n(map_n), .vect_n(vect_n), .full_n(full_n),
        .pass(pass), .overflow(overflow), .top_empty(top_empty), .pop_empty(pop_empty), .upc(upc),
        .counter(counter), .sp(sp));

    // What stops the machine.  The fields are checked first: a word with a
    // value not modelled does nothing else.
    wire unmapped = !map_n && mapped && mapping_word == 16'hFFFF;
    assign error[4:0] = unmodelled;
    assign error[ERR_OVERFLOW] = overflow;
    assign error[ERR_TOP_EMPTY] = top_empty;
    assign error[ERR_POP_EMPTY] = pop_empty;
    assign error[ERR_UNMAPPED] = unmapped;
    assign run = enable && !reset && !halted && !failed && error == 9'd0;
    always @(posedge clk) begin
        if (reset) begin
            halted <= 1'b0;
            failed <= 1'b0;
        end else if (enable && !halted && !failed) begin
            halted <= run && halt;
            failed <= error != 9'd0;
        end
    end
endmodule
`default_nettype wire

// zanfo: the testbench of the board, for Icarus Verilog (iverilog -g2012)
// and Verilator.  It loads zanfo-rom's images, sets the state a run starts
// from, runs the board until a HALT, an error or the cycle limit, and
// prints the final state in the plain format that zanfo-sim --report state
// prints too, so that the two compare with diff.  The reason for a stop
// goes to standard error, never into the state.
//
//   +rom=FILE         the control store (zanfo-rom --format readmemh); required
//   +mem=FILE         the memory ($readmemh image, @ADDR allowed)
//   +map=FILE         JMAP's mapping: 256 readmemh words, FFFF for an opcode
//                     not mapped (zanfo-rom --jmap FILE.map --format readmemh);
//                     without it JMAP goes to IR >> 8
//   +regs=FILE        R0..R63: 64 readmemh words
//   +q=HEX +mar=HEX +ir=HEX +uflag=HEX +mflag=HEX +start=HEX
//                     Q, MAR, IR, the flag registers, the start address
//   +max_cycles=N     stop after N cycles without a HALT (default 10000000)
//   +loop_to_address  run RFCT (8) as RPCT (9), as zanfo-sim's option does
//   +trace            one line a cycle: its number (from 0), its address,
//                     its microword, then NAME=VALUE for what it changed
//   +vcd=FILE         the run as a VCD: cycle k at k x 10 ns, the signals of
//                     the scope `zanfo` below, named as zanfo-sim --vcd names them
//   +jobs=FILE        many runs in one start (the co-simulation's): FILE holds
//                     the settings above as words without the "+" (rom=a.hex
//                     q=0012 trace ...), out=FILE and err=FILE for where the
//                     state and the reason go, and "run" after each run's
//                     settings; a memory image there holds "@ADDR WORD" lines
//                     only.  +vcd is not taken with +jobs.
//
// The state, one item a line, values in upper-case hexadecimal:
//   end halted|error|limit   address XXX   cycles N (decimal)
//   upc XXX   counter XXX   stack DEPTH E1 E2 ... (bottom first)
//   q XXXX   mar XXXX   ir XXXX   uflag X   mflag X   r0 XXXX ... r63 XXXX
//   mem ADDR VALUE for every memory word the run changed, by address
// An empty control-store address holds the image's fill word (0 unless
// zanfo-rom --fill says otherwise), whose AluDest 0 stops the board with
// an error, as zanfo-sim stops on an empty address.
`timescale 1ns / 1ns
`default_nettype none

// The signals of the waveform, named as zanfo-sim --vcd names them: ports
// only, for the VCD.
/* verilator lint_off DECLFILENAME */
/* verilator lint_off UNUSEDSIGNAL */
module zanfo_signals (
    input wire [11:0] upc,
    input wire [63:0] word,
    input wire [15:0] r0, r1, r2, r3, r4, r5, r6, r7, r8, r9, r10, r11, r12, r13, r14, r15,
    input wire [15:0] r16, r17, r18, r19, r20, r21, r22, r23, r24, r25, r26, r27, r28, r29, r30, r31,
    input wire [15:0] r32, r33, r34, r35, r36, r37, r38, r39, r40, r41, r42, r43, r44, r45, r46, r47,
    input wire [15:0] r48, r49, r50, r51, r52, r53, r54, r55, r56, r57, r58, r59, r60, r61, r62, r63,
    input wire [15:0] q,
    input wire [15:0] mar,
    input wire [15:0] ir,
    input wire [3:0]  uflag,
    input wire [3:0]  mflag,
    input wire [15:0] dbus,
    input wire [15:0] f,
    input wire [2:0]  sp,
    input wire [11:0] counter
);
endmodule
/* verilator lint_on UNUSEDSIGNAL */
/* verilator lint_on DECLFILENAME */

module zanfo_tb;
    parameter STORE_WORDS = 4096;
    parameter MEMORY_WORDS = 65536;
    localparam STDERR = 32'h8000_0002;
    localparam [63:0] DEFAULT_MAX_CYCLES = 64'd10000000;

    reg clk = 1'b0, reset = 1'b0, mapped = 1'b0, loop_to_address = 1'b0;
    reg [11:0] start = 12'h000;
    wire halted, failed;
    wire [8:0] error;
    wire [11:0] address;
    wire [15:0] bus_out;
    zanfo_board #(.STORE_WORDS(STORE_WORDS), .MEMORY_WORDS(MEMORY_WORDS)) dut (
        .clk(clk), .reset(reset), .start(start), .enable(1'b1), .mapped(mapped),
        .loop_to_address(loop_to_address), .halted(halted), .failed(failed), .error(error),
        .address(address), .bus_out(bus_out));

    zanfo_signals zanfo (
        .upc(dut.upc), .word(dut.word),
        .r0(dut.registers.r[0]), .r1(dut.registers.r[1]), .r2(dut.registers.r[2]), .r3(dut.registers.r[3]),
        .r4(dut.registers.r[4]), .r5(dut.registers.r[5]), .r6(dut.registers.r[6]), .r7(dut.registers.r[7]),
        .r8(dut.registers.r[8]), .r9(dut.registers.r[9]), .r10(dut.registers.r[10]), .r11(dut.registers.r[11]),
        .r12(dut.registers.r[12]), .r13(dut.registers.r[13]), .r14(dut.registers.r[14]),
        .r15(dut.registers.r[15]), .r16(dut.registers.r[16]), .r17(dut.registers.r[17]),
        .r18(dut.registers.r[18]), .r19(dut.registers.r[19]), .r20(dut.registers.r[20]),
        .r21(dut.registers.r[21]), .r22(dut.registers.r[22]), .r23(dut.registers.r[23]),
        .r24(dut.registers.r[24]), .r25(dut.registers.r[25]), .r26(dut.registers.r[26]),
        .r27(dut.registers.r[27]), .r28(dut.registers.r[28]), .r29(dut.registers.r[29]),
        .r30(dut.registers.r[30]), .r31(dut.registers.r[31]), .r32(dut.registers.r[32]),
        .r33(dut.registers.r[33]), .r34(dut.registers.r[34]), .r35(dut.registers.r[35]),
        .r36(dut.registers.r[36]), .r37(dut.registers.r[37]), .r38(dut.registers.r[38]),
        .r39(dut.registers.r[39]), .r40(dut.registers.r[40]), .r41(dut.registers.r[41]),
        .r42(dut.registers.r[42]), .r43(dut.registers.r[43]), .r44(dut.registers.r[44]),
        .r45(dut.registers.r[45]), .r46(dut.registers.r[46]), .r47(dut.registers.r[47]),
        .r48(dut.registers.r[48]), .r49(dut.registers.r[49]), .r50(dut.registers.r[50]),
        .r51(dut.registers.r[51]), .r52(dut.registers.r[52]), .r53(dut.registers.r[53]),
        .r54(dut.registers.r[54]), .r55(dut.registers.r[55]), .r56(dut.registers.r[56]),
        .r57(dut.registers.r[57]), .r58(dut.registers.r[58]), .r59(dut.registers.r[59]),
        .r60(dut.registers.r[60]), .r61(dut.registers.r[61]), .r62(dut.registers.r[62]),
        .r63(dut.registers.r[63]),
        .q(dut.q), .mar(dut.mar), .ir(dut.ir), .uflag(dut.uflag), .mflag(dut.mflag), .dbus(dut.dbus),
        .f(dut.f), .sp(dut.sp), .counter(dut.counter));

    // ------------------------------------------------------------------
    // Text.

    // `value` in `digits` upper-case hexadecimal digits.
    function automatic string hex(input [63:0] value, input integer digits);
        string text;
        integer k;
        reg [3:0] nibble;
        text = "";
        for (k = digits - 1; k >= 0; k = k - 1) begin
            nibble = value[4 * k +: 4];
            text = {text, nibble < 4'd10 ? 8'd48 + {4'h0, nibble} : 8'd55 + {4'h0, nibble}};
        end
        return text;
    endfunction

    // The Am2910's mnemonics, as zanfo-sim's messages name the instructions.
    function automatic string mnemonic(input [3:0] code);
        case (code)
            4'd0: return "JZ";     4'd1: return "CJS";    4'd2: return "JMAP";   4'd3: return "CJP";
            4'd4: return "PUSH";   4'd5: return "JSRP";   4'd6: return "CJV";    4'd7: return "JRP";
            4'd8: return "RFCT";   4'd9: return "RPCT";   4'd10: return "CRTN";  4'd11: return "CJPP";
            4'd12: return "LDCT";  4'd13: return "LOOP";  4'd14: return "CONT";  default: return "TWB";
        endcase
    endfunction

    function automatic string stack_text(input string separator);
        string text;
        integer k;
        text = "";
        for (k = 0; k < dut.sp; k = k + 1) begin
            if (k > 0)
                text = {text, separator};
            text = {text, hex({52'h0, dut.seq.stack[k]}, 3)};
        end
        return text;
    endfunction

    // Why the word at upc cannot run.
    function automatic string error_text();
        string text;
        text = "";
        if (dut.error[4:0] != 5'd0) begin
            if (dut.error[0]) text = {text, ", Sequencer 6 (CJV)"};
            if (dut.error[1]) text = {text, ", YBusCtrl ", $sformatf("%0d", dut.ybus)};
            if (dut.error[2]) text = {text, ", ShiftCtrl ", $sformatf("%0d", dut.word[50:49])};
            if (dut.error[3]) text = {text, ", FlagInstr ", $sformatf("%0d", dut.flag_instr)};
            if (dut.error[4]) text = {text, ", AluDest ", $sformatf("%0d", dut.alu_dest)};
            return {"not modelled: ", text.substr(2, text.len() - 1)};
        end
        if (dut.error[6]) return {mnemonic(dut.sequencer), " reads the top of an empty stack"};
        if (dut.error[5]) return {mnemonic(dut.sequencer), " pushes onto a full stack (5 entries)"};
        if (dut.error[7]) return {mnemonic(dut.sequencer), " pops an empty stack"};
        return {"JMAP: opcode 0x", hex({56'h0, dut.ir[15:8]}, 2), " (IR 0x", hex({48'h0, dut.ir}, 4),
                ") is not in the mapping"};
    endfunction

    // ------------------------------------------------------------------
    // One run's settings.
    string rom_file, mem_file, map_file, regs_file, vcd_file, out_file, err_file;
    reg [15:0] q0, mar0, ir0;
    reg [3:0] uflag0, mflag0;
    reg [11:0] start0;
    reg [63:0] max_cycles;
    reg loop0, trace;
    reg batch = 1'b0;  // the runs of +jobs

    task automatic defaults;
        rom_file = ""; mem_file = ""; map_file = ""; regs_file = ""; vcd_file = "";
        out_file = ""; err_file = "";
        q0 = 16'h0; mar0 = 16'h0; ir0 = 16'h0; uflag0 = 4'h0; mflag0 = 4'h0; start0 = 12'h0;
        max_cycles = DEFAULT_MAX_CYCLES;
        loop0 = 1'b0; trace = 1'b0;
    endtask

    // Stops the testbench on a setting it cannot use.
    task automatic refuse(input string message);
        $fatal(0, "zanfo_tb: %s", message);
    endtask

    // The file must exist: $readmemh only warns.
    task automatic check_file(input string setting, input string name);
        integer fd;
        fd = $fopen(name, "r");
        if (fd == 0)
            refuse({setting, "=", name, ": cannot be opened"});
        $fclose(fd);
    endtask

    // ------------------------------------------------------------------
    // The memory.  Every word a run writes is marked, with the value it
    // had before its first write, so that the report lists the words the
    // run changed without going through the whole memory; the next run
    // clears only those words, or the whole memory after an image.
    localparam MBITS = $clog2(MEMORY_WORDS);
    reg marked [0:MEMORY_WORDS-1];
    reg [15:0] before_first [0:MEMORY_WORDS-1];
    reg [MBITS-1:0] written [0:MEMORY_WORDS-1];  // the marked addresses, in the order of their first write
    integer written_count = 0;
    reg memory_loaded = 1'b1;  // the memory may hold anything: clear all of it

    task automatic clear_memory;
        integer k;
        if (memory_loaded) begin
            for (k = 0; k < MEMORY_WORDS; k = k + 1) begin
                dut.memory.words[k] = 16'h0;
                marked[k] = 1'b0;
            end
        end else begin
            for (k = 0; k < written_count; k = k + 1) begin
                dut.memory.words[written[k]] = 16'h0;
                marked[written[k]] = 1'b0;
            end
        end
        written_count = 0;
        memory_loaded = 1'b0;
    endtask

    // A memory image of "@ADDR WORD" lines, as the co-simulation writes them.
    task automatic load_word_list(input string name);
        integer fd, found;
        reg [31:0] at, value;
        fd = $fopen(name, "r");
        found = $fscanf(fd, " @%h %h", at, value);
        while (found == 2) begin
            dut.memory.words[at[MBITS-1:0]] = value[15:0];
            if (!marked[at[MBITS-1:0]]) begin
                marked[at[MBITS-1:0]] = 1'b1;
                written[written_count] = at[MBITS-1:0];
                written_count = written_count + 1;
            end
            before_first[at[MBITS-1:0]] = value[15:0];
            found = $fscanf(fd, " @%h %h", at, value);
        end
        $fclose(fd);
    endtask

    // The address at MAR, marked before the cycle that may write it.
    task automatic mark_written(input [15:0] at);
        reg [MBITS-1:0] index;
        index = at[MBITS-1:0];
        if (!marked[index]) begin
            marked[index] = 1'b1;
            before_first[index] = dut.memory.words[index];
            written[written_count] = index;
            written_count = written_count + 1;
        end
    endtask

    // The marked addresses in increasing order: sorted when few, else
    // picked from the marks.
    task automatic sort_written;
        integer k, m;
        reg [MBITS-1:0] moving;
        if (written_count <= 256) begin
            for (k = 1; k < written_count; k = k + 1) begin
                moving = written[k];
                m = k - 1;
                while (m >= 0 && written[m] > moving) begin
                    written[m + 1] = written[m];
                    m = m - 1;
                end
                written[m + 1] = moving;
            end
        end else begin
            m = 0;
            for (k = 0; k < MEMORY_WORDS; k = k + 1)
                if (marked[k]) begin
                    written[m] = k[MBITS-1:0];
                    m = m + 1;
                end
        end
    endtask

    // ------------------------------------------------------------------
    // The state before a cycle, for its trace line.  A cycle writes one
    // register at most, the one at the B address, and changes the stack
    // only by changing its depth: only those are kept.
    reg [11:0] was_upc, was_counter;
    reg [2:0] was_sp;
    reg [15:0] was_q, was_mar, was_ir, was_memory, was_b;
    reg [5:0] was_b_address;
    reg [3:0] was_uflag, was_mflag;
    reg [63:0] was_word;

    task automatic remember;
        was_upc = dut.upc;
        was_counter = dut.counter;
        was_sp = dut.sp;
        was_q = dut.q;
        was_mar = dut.mar;
        was_ir = dut.ir;
        was_uflag = dut.uflag;
        was_mflag = dut.mflag;
        was_b_address = dut.b_address;
        was_b = dut.registers.r[dut.b_address];
        was_memory = dut.memory.words[dut.mar[MBITS-1:0]];
        was_word = dut.word;
    endtask

    // The trace line of cycle `number`: what it changed.
    task automatic trace_line(input integer out, input [63:0] number);
        $fwrite(out, "%0d %s %s", number, hex({52'h0, was_upc}, 3), hex(was_word, 16));
        if (dut.upc != was_upc) $fwrite(out, " upc=%s", hex({52'h0, dut.upc}, 3));
        if (dut.counter != was_counter) $fwrite(out, " counter=%s", hex({52'h0, dut.counter}, 3));
        if (dut.sp != was_sp) $fwrite(out, " stack=%0d:%s", dut.sp, stack_text(","));
        if (dut.q != was_q) $fwrite(out, " q=%s", hex({48'h0, dut.q}, 4));
        if (dut.mar != was_mar) $fwrite(out, " mar=%s", hex({48'h0, dut.mar}, 4));
        if (dut.ir != was_ir) $fwrite(out, " ir=%s", hex({48'h0, dut.ir}, 4));
        if (dut.uflag != was_uflag) $fwrite(out, " uflag=%s", hex({60'h0, dut.uflag}, 1));
        if (dut.mflag != was_mflag) $fwrite(out, " mflag=%s", hex({60'h0, dut.mflag}, 1));
        if (dut.registers.r[was_b_address] != was_b)
            $fwrite(out, " r%0d=%s", was_b_address, hex({48'h0, dut.registers.r[was_b_address]}, 4));
        if (dut.memory.words[was_mar[MBITS-1:0]] != was_memory)
            $fwrite(out, " mem[%s]=%s", hex({48'h0, was_mar}, 4), hex({48'h0, dut.memory.words[was_mar[MBITS-1:0]]}, 4));
        $fwrite(out, "\n");
    endtask

    // What the reset edge does, done at once: the sequencer at the start
    // address, R = 0, the stack empty, and the synchronous memories' outputs
    // loaded with the words at the start address, MAR and IR's opcode.
    task prime;
        dut.seq.upc = start;
        dut.seq.counter = 12'h000;
        dut.seq.sp = 3'd0;
        dut.halted = 1'b0;
        dut.failed = 1'b0;
        dut.store.data = dut.store.words[start[$clog2(STORE_WORDS)-1:0]];
        dut.memory.data = dut.memory.words[dut.mar[MBITS-1:0]];
        dut.mapping.data = dut.mapping.words[dut.ir[15:8]];
    endtask

    // ------------------------------------------------------------------
    // One run, from the settings above; the state to `out`, the reason for
    // a stop to `err`.
    // (Static, as everything that waits: Icarus loses the automatic strings
    // of a task across a delay.)
    localparam RUNNING = 0, HALTED = 1, ERROR = 2, LIMIT = 3;
    task run(input integer out, input integer err);
        integer k, ending;
        reg [63:0] cycles;
        reg [11:0] last;

        if (rom_file == "") refuse("no +rom=FILE: the control store is needed");
        check_file("rom", rom_file);
        for (k = 0; k < STORE_WORDS; k = k + 1)
            dut.store.words[k] = 64'h0;
        $readmemh(rom_file, dut.store.words);
        clear_memory();
        if (mem_file != "") begin
            check_file("mem", mem_file);
            if (batch) begin
                load_word_list(mem_file);
            end else begin
                $readmemh(mem_file, dut.memory.words);
                memory_loaded = 1'b1;
            end
        end
        for (k = 0; k < 256; k = k + 1)
            dut.mapping.words[k] = 16'hFFFF;
        mapped = map_file != "";
        if (mapped) begin
            check_file("map", map_file);
            $readmemh(map_file, dut.mapping.words);
        end
        for (k = 0; k < 64; k = k + 1)
            dut.registers.r[k] = 16'h0;
        if (regs_file != "") begin
            check_file("regs", regs_file);
            $readmemh(regs_file, dut.registers.r);
        end
        dut.q = q0;
        dut.mar = mar0;
        dut.ir = ir0;
        dut.flags.uflag = uflag0;
        dut.flags.mflag = mflag0;
        start = start0;
        loop_to_address = loop0;

        if (batch) begin
            // The reset edge: the sequencer at the start address and the
            // pipeline register loaded with its word.
            reset = 1'b1;
            #5 clk = 1'b1;
            #2 reset = 0;
            #3 clk = 1'b0;
        end else begin
            // The same at time 0, without an edge, so that cycle k runs
            // from k x 10 ns to the edge at (k + 1) x 10 ns.
            prime();
            if (vcd_file != "") begin
                $dumpfile(vcd_file);
                $dumpvars(1, zanfo);
            end
            #5;
        end
        cycles = 0;
        last = dut.upc;
        ending = RUNNING;
        while (ending == RUNNING) begin
            if (halted) begin
                ending = HALTED;
            end else if (cycles >= max_cycles) begin
                ending = LIMIT;
                last = dut.upc;
            end else if (error != 9'd0) begin
                ending = ERROR;
                last = dut.upc;
            end else begin
                if (trace)
                    remember();
                last = dut.upc;
                if (dut.memory_we)
                    mark_written(dut.mar);
                #5 clk = 1'b1;
                cycles = cycles + 1;
                #5 clk = 1'b0;
                if (trace)
                    trace_line(out, cycles - 1);
            end
        end
        if (vcd_file != "")
            $dumpflush;

        if (ending == LIMIT)
            $fdisplay(err, "zanfo_tb: %s: no HALT within %0d cycles (+max_cycles)", rom_file, max_cycles);
        else if (ending == ERROR)
            $fdisplay(err, "zanfo_tb: %s: address %s, microword %s: %s", rom_file, hex({52'h0, last}, 3),
                      hex(dut.word, 16), error_text());

        // (No strings of different lengths in a ?: : Verilog pads the shorter.)
        if (ending == HALTED)
            $fdisplay(out, "end halted");
        else if (ending == ERROR)
            $fdisplay(out, "end error");
        else
            $fdisplay(out, "end limit");
        $fdisplay(out, "address %s", hex({52'h0, last}, 3));
        $fdisplay(out, "cycles %0d", cycles);
        $fdisplay(out, "upc %s", hex({52'h0, dut.upc}, 3));
        $fdisplay(out, "counter %s", hex({52'h0, dut.counter}, 3));
        if (dut.sp == 0)
            $fdisplay(out, "stack 0");
        else
            $fdisplay(out, "stack %0d %s", dut.sp, stack_text(" "));
        $fdisplay(out, "q %s", hex({48'h0, dut.q}, 4));
        $fdisplay(out, "mar %s", hex({48'h0, dut.mar}, 4));
        $fdisplay(out, "ir %s", hex({48'h0, dut.ir}, 4));
        $fdisplay(out, "uflag %s", hex({60'h0, dut.uflag}, 1));
        $fdisplay(out, "mflag %s", hex({60'h0, dut.mflag}, 1));
        for (k = 0; k < 64; k = k + 1)
            $fdisplay(out, "r%0d %s", k, hex({48'h0, dut.registers.r[k]}, 4));
        sort_written();
        for (k = 0; k < written_count; k = k + 1)
            if (dut.memory.words[written[k]] != before_first[written[k]])
                $fdisplay(out, "mem %s %s", hex({{(64 - MBITS){1'b0}}, written[k]}, 4),
                          hex({48'h0, dut.memory.words[written[k]]}, 4));
    endtask

    // ------------------------------------------------------------------
    // A setting, from the command line (+NAME=VALUE) or a jobs file (NAME=VALUE).
    task automatic hex_value(input string setting, input string text, input integer digits,
                             output reg [63:0] value);
        integer k;
        if (text.len() == 0 || text.len() > digits)
            refuse({setting, "=", text, ": expected at most ", $sformatf("%0d", digits), " hexadecimal digits"});
        for (k = 0; k < text.len(); k = k + 1)
            if (!((text[k] >= "0" && text[k] <= "9") || (text[k] >= "a" && text[k] <= "f") ||
                  (text[k] >= "A" && text[k] <= "F")))
                refuse({setting, "=", text, ": not hexadecimal"});
        k = $sscanf(text, "%h", value);
    endtask

    task automatic decimal_value(input string setting, input string text, output reg [63:0] value);
        integer k;
        if (text.len() == 0 || text.len() > 19)
            refuse({setting, "=", text, ": expected a number of cycles"});
        for (k = 0; k < text.len(); k = k + 1)
            if (text[k] < "0" || text[k] > "9")
                refuse({setting, "=", text, ": expected a number of cycles"});
        k = $sscanf(text, "%d", value);
    endtask

    // NAME=VALUE (or NAME for the switches) into the settings.
    task automatic set(input string word);
        string name, value;
        reg [63:0] number;
        integer k;
        name = word;
        value = "";
        for (k = 0; k < word.len(); k = k + 1)
            if (word[k] == "=" && name == word) begin
                name = word.substr(0, k - 1);
                value = word.substr(k + 1, word.len() - 1);
            end
        if (name == "rom") rom_file = value;
        else if (name == "mem") mem_file = value;
        else if (name == "map") map_file = value;
        else if (name == "regs") regs_file = value;
        else if (name == "vcd") vcd_file = value;
        else if (name == "out") out_file = value;
        else if (name == "err") err_file = value;
        else if (name == "q") begin hex_value(name, value, 4, number); q0 = number[15:0]; end
        else if (name == "mar") begin hex_value(name, value, 4, number); mar0 = number[15:0]; end
        else if (name == "ir") begin hex_value(name, value, 4, number); ir0 = number[15:0]; end
        else if (name == "uflag") begin hex_value(name, value, 1, number); uflag0 = number[3:0]; end
        else if (name == "mflag") begin hex_value(name, value, 1, number); mflag0 = number[3:0]; end
        else if (name == "start") begin hex_value(name, value, 3, number); start0 = number[11:0]; end
        else if (name == "max_cycles") decimal_value(name, value, max_cycles);
        else if (name == "loop_to_address") loop0 = 1'b1;
        else if (name == "trace") trace = 1'b1;
        else refuse({"unknown setting ", word});
    endtask

    // The plusargs of one run.  (`value` is static: Icarus reads plusargs
    // into static strings only.)
    string value;
    task automatic command_line;
        if ($value$plusargs("rom=%s", value)) set({"rom=", value});
        if ($value$plusargs("mem=%s", value)) set({"mem=", value});
        if ($value$plusargs("map=%s", value)) set({"map=", value});
        if ($value$plusargs("regs=%s", value)) set({"regs=", value});
        if ($value$plusargs("vcd=%s", value)) set({"vcd=", value});
        if ($value$plusargs("q=%s", value)) set({"q=", value});
        if ($value$plusargs("mar=%s", value)) set({"mar=", value});
        if ($value$plusargs("ir=%s", value)) set({"ir=", value});
        if ($value$plusargs("uflag=%s", value)) set({"uflag=", value});
        if ($value$plusargs("mflag=%s", value)) set({"mflag=", value});
        if ($value$plusargs("start=%s", value)) set({"start=", value});
        if ($value$plusargs("max_cycles=%s", value)) set({"max_cycles=", value});
        if ($test$plusargs("loop_to_address")) set("loop_to_address");
        if ($test$plusargs("trace")) set("trace");
    endtask

    // The runs of a jobs file.
    reg [8 * 1024 - 1:0] job_word;
    string job_text;
    task jobs(input string name);
        integer fd, out, err;
        fd = $fopen(name, "r");
        if (fd == 0)
            refuse({"jobs=", name, ": cannot be opened"});
        defaults();
        batch = 1'b1;
        while ($fscanf(fd, "%s", job_word) == 1) begin
            job_text = $sformatf("%0s", job_word);
            if (job_text != "run") begin
                set(job_text);
            end else begin
                if (out_file == "") refuse({"jobs=", name, ": a run without out=FILE"});
                if (vcd_file != "") refuse({"jobs=", name, ": no vcd= in a jobs file"});
                out = $fopen(out_file, "w");
                if (out == 0)
                    refuse({"jobs=", name, ": cannot write ", out_file});
                err = STDERR;
                if (err_file != "") begin
                    err = $fopen(err_file, "w");
                    if (err == 0)
                        refuse({"jobs=", name, ": cannot write ", err_file});
                end
                run(out, err);
                $fclose(out);
                if (err != STDERR)
                    $fclose(err);
                defaults();
                #5;
            end
        end
        $fclose(fd);
    endtask

    initial begin
        if ($value$plusargs("jobs=%s", value)) begin
            jobs(value);
        end else begin
            defaults();
            command_line();
            run(32'h8000_0001, STDERR);
        end
    end
endmodule
`default_nettype wire

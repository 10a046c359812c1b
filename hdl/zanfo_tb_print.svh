// zanfo: what the board's testbench (zanfo_tb.sv) prints: numbers in
// upper-case hexadecimal, the Am2910's mnemonics, why a word cannot run,
// a cycle's trace line and the state after a run.  Included inside the
// module zanfo_tb, after the memory's marks and the state before a cycle
// that it reads.

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

    // The state after a run, in the plain format of zanfo_tb.sv's head: how it ended
    // (`ending`), at which address `last`, after how many cycles.
    task automatic print_state(input integer out, input integer ending, input [11:0] last, input [63:0] cycles);
        integer k;
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

// zanfo: the settings of the board's testbench (zanfo_tb.sv): each read
// from the command line (+NAME=VALUE) or, for many runs in one start, from
// a jobs file (NAME=VALUE words, "run" after each run's).  Included inside
// the module zanfo_tb, after the run it starts.

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


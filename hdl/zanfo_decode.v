// zanfo: the board's decoding of the microword in the pipeline register:
// the fields (microword.vh), the destination codes onto the Am2901's, what
// the bus and the flag registers do, and the field values the model does
// not define.  The tables read beside machine/parts.h, in the same order.
`timescale 1ns / 1ns
`default_nettype none
`include "microword.vh"
`include "codes.vh"
module zanfo_decode (
    input  wire [63:0] word,             // the pipeline register
    input  wire        loop_to_address,  // the strap that runs RFCT (8) as RPCT (9)
    output wire        halt,             // Break
    output wire        cond_enable,      // CondEnable
    output wire [3:0]  sequencer,        // the Am2910's instruction, as run
    output wire [4:0]  cond_code,        // CondCode
    output wire [3:0]  ybus,             // YBusCtrl
    output wire        arithmetic,       // ShiftCtrl 2: a right shift keeps bit 15
    output wire [2:0]  flag_instr,       // FlagInstr
    output wire        carry_in,         // CarryIn
    output wire [3:0]  alu_dest,         // AluDest
    output wire [2:0]  alu_function,     // AluFunction, the Am2901's I5..I3
    output wire [2:0]  alu_source,       // AluSource, the Am2901's I2..I0
    output wire        ir_a,             // RegSelect bit 0: the A address from the IR
    output wire        ir_b,             // RegSelect bit 1: the B address from the IR
    output wire [5:0]  reg_a,            // RegA
    output wire [5:0]  reg_b,            // RegB
    output wire [15:0] constant,         // ConstantAddr
    output reg  [2:0]  slice_dest,       // AluDest onto the Am2901's I8..I6
    output reg  [2:0]  d_source,         // what the D bus carries (`D_...)
    output reg  [2:0]  transfer,         // the transfer at the end of the cycle (`T_...)
    output reg  [2:0]  flag_load,        // what the flag registers load (`L_...)
    output wire [4:0]  unmodelled        // the fields holding a value not modelled (`BAD_...)
);
    assign halt = word[`BREAK];
    assign cond_enable = word[`COND_ENABLE];
    wire [3:0] sequencer_field = word[`SEQUENCER];
    assign sequencer = loop_to_address && sequencer_field == 4'd8 ? 4'd9 : sequencer_field;
    assign ybus = word[`YBUS_CTRL];
    wire [1:0] shift_ctrl = word[`SHIFT_CTRL];
    assign arithmetic = shift_ctrl == 2'd2;
    assign cond_code = word[`COND_CODE];
    assign flag_instr = word[`FLAG_INSTR];
    assign carry_in = word[`CARRY_IN];
    assign alu_dest = word[`ALU_DEST];
    assign alu_function = word[`ALU_FUNCTION];
    assign alu_source = word[`ALU_SOURCE];
    assign ir_a = word[28];  // REG_SELECT's bit 0
    assign ir_b = word[29];  // and bit 1
    assign reg_b = word[`REG_B];
    assign reg_a = word[`REG_A];
    assign constant = word[`CONSTANT_ADDR];

    // AluDest: the codes the board defines, onto the Am2901's destination.
    // 5 and 7 are the board's own codes (RAMF and QREG without a shift);
    // the others pass their low three bits to the slice.
    reg dest_defined;
    always @* begin
        case (alu_dest)
            4'd0:  begin dest_defined = 1'b0; slice_dest = `NOP;  end   //  0
            4'd1:  begin dest_defined = 1'b0; slice_dest = `NOP;  end   //  1
            4'd2:  begin dest_defined = 1'b0; slice_dest = `NOP;  end   //  2
            4'd3:  begin dest_defined = 1'b0; slice_dest = `NOP;  end   //  3
            4'd4:  begin dest_defined = 1'b0; slice_dest = `NOP;  end   //  4
            4'd5:  begin dest_defined = 1'b1; slice_dest = `RAMF; end   //  5  F -> B register
            4'd6:  begin dest_defined = 1'b0; slice_dest = `NOP;  end   //  6
            4'd7:  begin dest_defined = 1'b1; slice_dest = `QREG; end   //  7  F -> Q
            4'd8:  begin dest_defined = 1'b1; slice_dest = `QREG; end   //  8  F -> Q
            4'd9:  begin dest_defined = 1'b1; slice_dest = `NOP;  end   //  9  nowhere
            4'd10: begin dest_defined = 1'b0; slice_dest = `NOP;  end   // 10
            4'd11: begin dest_defined = 1'b1; slice_dest = `RAMF; end   // 11  F -> B register
            4'd12: begin dest_defined = 1'b0; slice_dest = `NOP;  end   // 12
            4'd13: begin dest_defined = 1'b1; slice_dest = `RAMD; end   // 13  F shifted right -> B register
            4'd14: begin dest_defined = 1'b0; slice_dest = `NOP;  end   // 14
            default: begin dest_defined = 1'b1; slice_dest = `RAMU; end // 15  F shifted left -> B register
        endcase
    end

    // YBusCtrl: what the D bus carries into the ALU, and what the bus moves
    // at the end of the cycle.  Code 10 reads the flag register FlagInstr
    // names.
    reg bus_defined;
    reg [2:0] flag_read;  // FlagInstr's choice, below
    always @* begin
        bus_defined = 1'b1;
        d_source = `D_ZERO;
        transfer = `T_NONE;
        case (ybus)
            4'd0:  ;                                  //  0  no transfer
            4'd1:  d_source = `D_MEMORY;              //  1  memory at MAR -> D
            4'd2:  transfer = `T_MEMORY_TO_IR;        //  2  memory at MAR -> IR
            4'd3:  bus_defined = 1'b0;                //  3
            4'd4:  transfer = `T_F_TO_MEMORY;         //  4  F -> memory at MAR
            4'd5:  transfer = `T_F_TO_MAR;            //  5  F -> MAR
            4'd6:  transfer = `T_F_TO_FLAGS;          //  6  F -> flag bus
            4'd7:  d_source = `D_CONSTANT;            //  7  constant -> D
            4'd8:  transfer = `T_CONST_TO_MEMORY;     //  8  constant -> memory at MAR
            4'd9:  transfer = `T_CONST_TO_FLAGS;      //  9  constant -> flag bus
            4'd10: d_source = flag_read;              // 10  flag register -> D (by FlagInstr)
            4'd11: bus_defined = 1'b0;                // 11
            4'd12: bus_defined = 1'b0;                // 12
            4'd13: bus_defined = 1'b0;                // 13
            4'd14: bus_defined = 1'b0;                // 14
            default: bus_defined = 1'b0;              // 15
        endcase
    end

    // FlagInstr: which flag register YBusCtrl 10 reads, and what is loaded.
    reg flag_defined;
    always @* begin
        flag_defined = 1'b1;
        flag_read = `D_ZERO;
        flag_load = `L_NONE;
        case (flag_instr)
            3'd0: ;                          // 0  nothing
            3'd1: flag_defined = 1'b0;       // 1
            3'd2: flag_read = `D_UFLAG;      // 2  UFLAG is read
            3'd3: flag_read = `D_MFLAG;      // 3  MFLAG is read
            3'd4: flag_load = `L_USTATUS;    // 4  UFLAG <- status of F
            3'd5: flag_load = `L_MSTATUS;    // 5  MFLAG <- status of F
            3'd6: flag_load = `L_UBUS;       // 6  UFLAG <- low 4 bits of the bus
            default: flag_load = `L_MBUS;    // 7  MFLAG <- low 4 bits of the bus
        endcase
    end

    // ShiftCtrl: only 0 (a zero enters) and 2 (on a right shift, the old
    // bit 15) are modelled.  Sequencer 6 (CJV) is not modelled either.
    wire shift_defined = shift_ctrl == 2'd0 || shift_ctrl == 2'd2;
    assign unmodelled[`BAD_SEQUENCER] = sequencer_field == 4'd6;
    assign unmodelled[`BAD_YBUS] = !bus_defined;
    assign unmodelled[`BAD_SHIFT] = !shift_defined;
    assign unmodelled[`BAD_FLAG] = !flag_defined;
    assign unmodelled[`BAD_DEST] = !dest_defined;
endmodule
`default_nettype wire

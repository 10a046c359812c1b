// zanfo: the board on an iCE40-HX8K breakout board: a control store and a
// memory of 1,024 words each in block RAM, the mapping in one more, the
// 12 MHz oscillator as the clock.  The board starts at address 0 once
// the FPGA is configured (a short reset); the eight LEDs show `halted`,
// `failed` and the low six bits of upc.
//
// STORE_INIT, MAPPING_INIT and MEMORY_INIT name $readmemh images
// (zanfo-rom --depth 1024, zanfo-rom --jmap); `make ice40` builds with
// random images that icebram then replaces with a program's, without
// synthesizing again (see the manual's chapter "Building the machine").
`timescale 1ns / 1ns
`default_nettype none
module zanfo_ice40 #(
    parameter STORE_INIT = "store.hex",
    parameter MAPPING_INIT = "mapping.hex",
    parameter MEMORY_INIT = ""
) (
    input  wire       clk,  // 12 MHz
    output wire [7:0] led   // halted, failed, upc[5:0]
);
    // Held in reset for the first 15 cycles after configuration, which
    // clears every flip-flop.
    reg [3:0] power_on = 4'd0;
    always @(posedge clk)
        if (power_on != 4'hF)
            power_on <= power_on + 4'd1;

    wire halted, failed;
    wire [8:0] error;
    wire [11:0] address;
    wire [15:0] bus;
    zanfo_board #(
        .STORE_WORDS(1024), .MEMORY_WORDS(1024), .STORE_INIT(STORE_INIT), .MEMORY_INIT(MEMORY_INIT),
        .MAPPING_INIT(MAPPING_INIT)
    ) board (
        .clk(clk), .reset(power_on != 4'hF), .start(12'h000), .enable(1'b1), .mapped(1'b1),
        .loop_to_address(1'b0), .halted(halted), .failed(failed), .error(error), .address(address),
        .bus_out(bus));
    assign led = {halted, failed, address[5:0]};
endmodule
`default_nettype wire

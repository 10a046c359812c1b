// zanfo: a ROM with a synchronous read, as block RAM and PROMs with an
// output register give it: `data` is the word at the address given before
// the clock edge.  The control store and the mapping are ROMs of this
// kind.  INIT names a $readmemh image (zanfo-rom --format readmemh); a
// testbench may load one from its command line instead.
`timescale 1ns / 1ns
`default_nettype none
module zanfo_rom #(
    parameter WIDTH = 64,    // bits per word
    parameter DEPTH = 4096,  // words, a power of two
    parameter ABITS = 12,    // address lines; the words beyond DEPTH repeat the first ones
    parameter INIT = ""      // the image, or none
) (
    input  wire             clk,
    input  wire [ABITS-1:0] address,
    output reg  [WIDTH-1:0] data
);
    localparam IBITS = $clog2(DEPTH);
    reg [WIDTH-1:0] words [0:DEPTH-1];
    initial
        if (INIT != "")
            $readmemh(INIT, words);
    always @(posedge clk)
        data <= words[address[IBITS-1:0]];
endmodule
`default_nettype wire

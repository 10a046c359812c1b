// zanfo: the memory, 16-bit words with one synchronous read and one write
// per cycle.  The read takes the address MAR will hold after the clock
// edge, so that `data` is the word at MAR throughout the next cycle; a word
// written at the same edge to that address is read as written (write
// first).  INIT names a $readmemh image, or none.
`timescale 1ns / 1ns
`default_nettype none
module zanfo_ram #(
    parameter WORDS = 65536,  // words, a power of two; MAR's bits above them are not decoded
    parameter INIT = ""       // the image, or none
) (
    input  wire        clk,
    input  wire [15:0] read_address,   // MAR after this cycle
    output reg  [15:0] data,           // the word at MAR
    input  wire        we,             // write `write_data` at `write_address`
    input  wire [15:0] write_address,  // MAR during this cycle
    input  wire [15:0] write_data
);
    localparam IBITS = $clog2(WORDS);
    reg [15:0] words [0:WORDS-1];
    initial
        if (INIT != "")
            $readmemh(INIT, words);
    wire [IBITS-1:0] ra = read_address[IBITS-1:0];
    wire [IBITS-1:0] wa = write_address[IBITS-1:0];
    always @(posedge clk) begin
        if (we)
            words[wa] <= write_data;
        data <= we && wa == ra ? write_data : words[ra];
    end
endmodule
`default_nettype wire

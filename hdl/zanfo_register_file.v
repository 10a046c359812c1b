// zanfo: the register file, R0..R63 of 16 bits, with the Am2901's two
// ports: A and B read at any time, the register at the B address written
// at the end of a cycle.
`timescale 1ns / 1ns
`default_nettype none
module zanfo_register_file (
    input  wire        clk,
    input  wire [5:0]  a_address,  // the A port
    input  wire [5:0]  b_address,  // the B port, read and written
    input  wire        we,         // write `data` into the B register
    input  wire [15:0] data,
    output wire [15:0] a,          // the register at the A address
    output wire [15:0] b           // the register at the B address
);
    reg [15:0] r [0:63];
    assign a = r[a_address];
    assign b = r[b_address];
    always @(posedge clk)
        if (we)
            r[b_address] <= data;
endmodule
`default_nettype wire
